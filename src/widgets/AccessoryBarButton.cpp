#include "widgets/AccessoryBarButton.h"

#include <QEvent>
#include <QHBoxLayout>

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 3;

} // namespace

AccessoryBarButton::AccessoryBarButton(QWidget* label, QWidget* parent)
    : QToolButton(parent)
    , m_label(label) {
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding,
                               verticalPadding);
    layout->addWidget(label);
    // Clicks on the label belong to the button.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->installEventFilter(this);
}

bool AccessoryBarButton::eventFilter(QObject* watched, QEvent* event) {
    // A new title changes the label's size; the toolbar must hear of it to make room.
    if (watched == m_label && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QToolButton::eventFilter(watched, event);
}

QSize AccessoryBarButton::sizeHint() const {
    return m_label->sizeHint() + QSize(2 * horizontalPadding, 2 * verticalPadding);
}
