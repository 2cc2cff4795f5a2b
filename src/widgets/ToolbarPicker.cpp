#include "widgets/ToolbarPicker.h"

#include "platform/SymbolImage.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/Popover.h"
#include "widgets/TextStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

ToolbarPicker::ToolbarPicker(const QString& purpose, const QString& accessibleName, QWidget* parent)
    : QWidget(parent)
    , m_accessibleName(accessibleName)
    , m_label(new QWidget)
    , m_icon(new QLabel(m_label))
    , m_title(new QLabel(m_label))
    , m_chevron(new QLabel(m_label))
    , m_button(new AccessoryBarButton(m_label, this)) {
    auto* labelLayout = new QHBoxLayout(m_label);
    labelLayout->setContentsMargins(0, 0, 0, 0);
    labelLayout->setSpacing(4);
    m_title->setFont(TextStyle::font(TextStyle::Style::Caption));
    for (QLabel* part : {m_icon, m_title, m_chevron})
        labelLayout->addWidget(part, 0, Qt::AlignVCenter);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    m_button->setToolTip(purpose);
    m_button->setAccessibleDescription(purpose);
    connect(m_button, &AccessoryBarButton::clicked, this,
            [this] { setShowingPopover(!m_showingPopover); });
}

ToolbarPicker::~ToolbarPicker() {
    // Destroying an open panel hides it, and its `dismissed` must not reach a half-destroyed
    // picker.
    if (m_popover) {
        m_popover->disconnect(this);
        delete m_popover;
    }
}

Popover* ToolbarPicker::popover() const {
    return qobject_cast<Popover*>(m_popover.data());
}

QString ToolbarPicker::title() const {
    return m_title->text();
}

void ToolbarPicker::setShowingPopover(bool showing) {
    if (showing == m_showingPopover)
        return;
    m_showingPopover = showing;
    if (showing) {
        if (!m_popover) {
            auto* popover = new Popover(m_button);
            connect(popover, &Popover::dismissed, this, [this] { setShowingPopover(false); });
            m_popover = popover;
        }
        m_popoverState.reset();
        updatePopoverContent();
        popover()->open();
    } else if (Popover* panel = popover()) {
        panel->close();
        panel->setContent(nullptr); // the next opening starts with an empty search
        m_popoverState.reset();
    }
    Q_EMIT showingPopoverChanged();
}

void ToolbarPicker::updatePopoverContent() {
    Popover* panel = popover();
    if (!m_showingPopover || !panel)
        return;
    const PopoverState state = currentPopoverState();
    if (state == m_popoverState && state != PopoverState::Error)
        return;
    QWidget* content = createPopoverContent(state);
    m_popoverState = state;
    panel->setContent(content);
    if (content && panel->isVisible())
        content->setFocus(Qt::PopupFocusReason);
}

void ToolbarPicker::setLabel(const QPixmap& icon, const QString& title) {
    m_icon->setPixmap(icon);
    if (title != m_title->text()) {
        m_title->setText(title);
        m_label->updateGeometry();
    }
    const int chevronSize = QFontMetrics(TextStyle::font(TextStyle::Style::Caption2)).ascent();
    m_chevron->setPixmap(SymbolImage::pixmap(QStringLiteral("chevron.down"), chevronSize,
                                             TextStyle::secondary(palette()), devicePixelRatioF()));
    m_label->setAccessibleName(title);
    m_button->setAccessibleName(m_accessibleName.arg(title));
}

Binding<std::optional<QString>> ToolbarPicker::selectionBinding() {
    return {[this] { return m_selection; },
            [this](const std::optional<QString>& value) { m_selection = value; }};
}

Binding<bool> ToolbarPicker::showingPopoverBinding() {
    return {[this] { return m_showingPopover; },
            [this](const bool& value) { setShowingPopover(value); }};
}

void ToolbarPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        refreshLabel();
}
