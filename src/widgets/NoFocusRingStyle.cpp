#include "widgets/NoFocusRingStyle.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextEdit>

namespace {

// The widget whose frame is being drawn may be the field itself or, for the line edit inside
// a spin box or combo box, its parent.
bool belongsToTextField(const QWidget* widget) {
    return NoFocusRingStyle::isTextField(widget) ||
           (widget && NoFocusRingStyle::isTextField(widget->parentWidget()) &&
            qobject_cast<const QLineEdit*>(widget));
}

} // namespace

NoFocusRingStyle::NoFocusRingStyle(QStyle* baseStyle)
    : QProxyStyle(baseStyle) {}

void NoFocusRingStyle::installApplicationWide() {
    QStyle* current = QApplication::style();
    if (qobject_cast<NoFocusRingStyle*>(current))
        return;
    QStyle* base = current ? QStyleFactory::create(current->name()) : nullptr;
    QApplication::setStyle(new NoFocusRingStyle(base));
}

bool NoFocusRingStyle::isTextField(const QWidget* widget) {
    if (!widget)
        return false;
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
        qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget))
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(widget);
    return combo && combo->isEditable();
}

void NoFocusRingStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const {
    if (option && (option->state & State_HasFocus) && belongsToTextField(widget)) {
        if (element == PE_FrameFocusRect)
            return;
        if (element == PE_PanelLineEdit || element == PE_FrameLineEdit || element == PE_Frame) {
            // Copy the option as its real type so that frame widths and features survive.
            if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
                QStyleOptionFrame copy(*frame);
                copy.state &= ~State_HasFocus;
                QProxyStyle::drawPrimitive(element, &copy, painter, widget);
                return;
            }
            QStyleOption copy(*option);
            copy.state &= ~State_HasFocus;
            QProxyStyle::drawPrimitive(element, &copy, painter, widget);
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void NoFocusRingStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                          QPainter* painter, const QWidget* widget) const {
    if (option && (option->state & State_HasFocus) && isTextField(widget)) {
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(option)) {
            QStyleOptionSpinBox copy(*spin);
            copy.state &= ~State_HasFocus;
            QProxyStyle::drawComplexControl(control, &copy, painter, widget);
            return;
        }
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option)) {
            QStyleOptionComboBox copy(*combo);
            copy.state &= ~State_HasFocus;
            QProxyStyle::drawComplexControl(control, &copy, painter, widget);
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void NoFocusRingStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    // macOS draws its ring outside the widget unless told not to.
    if (belongsToTextField(widget))
        widget->setAttribute(Qt::WA_MacShowFocusRect, false);
}
