#include "destinations/TargetSelectorToolbarContent.h"

#include "destinations/DeviceListView.h"
#include "destinations/RunDestinationManager.h"
#include "destinations/TargetSelectorButton.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/Popover.h"
#include "widgets/PopoverStateView.h"

#include <QHBoxLayout>

TargetSelectorToolbarContent::TargetSelectorToolbarContent(RunDestinationManager& manager,
                                                           QWidget* parent)
    : QWidget(parent)
    , m_manager(&manager)
    , m_label(new TargetSelectorButton(manager))
    , m_button(new AccessoryBarButton(m_label, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    m_button->setToolTip(QStringLiteral("Select target device for deeplinks"));
    const auto describeButton = [this] {
        m_button->setAccessibleName(QStringLiteral("Run destination: %1").arg(m_label->title()));
    };
    connect(m_label, &TargetSelectorButton::refreshed, this, describeButton);
    describeButton();
    m_button->setAccessibleDescription(QStringLiteral("Select target device for deeplinks"));
    connect(m_button, &AccessoryBarButton::clicked, this,
            [this] { setShowingPopover(!m_showingPopover); });
    connect(&manager, &RunDestinationManager::isLoadingChanged, this,
            &TargetSelectorToolbarContent::updatePopoverContent);
    connect(&manager, &RunDestinationManager::devicesChanged, this,
            &TargetSelectorToolbarContent::updatePopoverContent);
}

void TargetSelectorToolbarContent::setShowingPopover(bool showing) {
    if (showing == m_showingPopover)
        return;
    m_showingPopover = showing;
    if (showing) {
        if (!m_popover) {
            m_popover = new Popover(m_button);
            connect(m_popover, &Popover::dismissed, this, [this] { setShowingPopover(false); });
        }
        m_popoverState.reset();
        updatePopoverContent();
        m_popover->open();
    } else if (m_popover) {
        m_popover->close();
        m_popover->setContent(nullptr); // the next opening starts with an empty search
        m_popoverState.reset();
    }
    Q_EMIT showingPopoverChanged();
}

void TargetSelectorToolbarContent::updatePopoverContent() {
    if (!m_showingPopover || !m_popover || !m_manager)
        return;
    const PopoverState state = m_manager->isLoading()           ? PopoverState::Loading
                               : m_manager->devices().isEmpty() ? PopoverState::Empty
                                                                : PopoverState::List;
    if (state == m_popoverState)
        return; // the list follows the manager by itself
    QWidget* content = nullptr;
    switch (state) {
    case PopoverState::Loading:
        content = PopoverStateView::loading(QStringLiteral("Loading devices..."), QSize(280, 120));
        break;
    case PopoverState::Empty: {
        auto* view = PopoverStateView::message(QStringLiteral("iphone.slash"), QColor(),
                                               QStringLiteral("No devices found"), QString(),
                                               QStringLiteral("Refresh"), QSize(280, 160));
        connect(view, &PopoverStateView::buttonClicked, this,
                [this] { DeviceListView::refresh(m_manager); });
        content = view;
        break;
    }
    case PopoverState::List:
        content = new DeviceListView(
            *m_manager,
            Binding<std::optional<QString>>(
                [this] { return m_selection; },
                [this](const std::optional<QString>& value) { m_selection = value; }),
            Binding<bool>([this] { return m_showingPopover; },
                          [this](const bool& value) { setShowingPopover(value); }));
        break;
    }
    m_popoverState = state;
    m_popover->setContent(content);
    if (content && m_popover->isVisible())
        content->setFocus(Qt::PopupFocusReason);
}
