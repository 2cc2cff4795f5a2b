#include "widgets/NoFocusRingStyle.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QIconEngine>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextEdit>

#include <optional>

namespace {

// The widget whose frame is being drawn may be the field itself or, for the line edit inside
// a spin box or combo box, its parent.
bool belongsToTextField(const QWidget* widget) {
    return NoFocusRingStyle::isTextField(widget) ||
           (widget && NoFocusRingStyle::isTextField(widget->parentWidget()) &&
            qobject_cast<const QLineEdit*>(widget));
}

// A standard icon made by the base style when it is first drawn or measured. Windows ask for
// icons they rarely show (a bar's overflow arrow, a field's clear button) while they are built,
// and making the first one looks up the icon theme and tries every image plugin.
class DeferredStandardIcon : public QIconEngine {
public:
    DeferredStandardIcon(const QStyle* base, QStyle::StandardPixmap which,
                         const QStyleOption* option, const QWidget* widget)
        : m_base(base)
        , m_which(which)
        , m_widget(widget) {
        if (option) {
            // Its base part only, said so, so that no style casts it to what it was.
            m_option = *option;
            m_option->type = QStyleOption::SO_Default;
            m_option->version = QStyleOption::Version;
        }
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        // `size` is in device pixels already; the icon multiplies by `scale` itself.
        return icon().pixmap((QSizeF(size) / scale).toSize(), scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("DeferredStandardIcon"); }
    QIconEngine* clone() const override { return new DeferredStandardIcon(*this); }

private:
    DeferredStandardIcon(const DeferredStandardIcon&) = default;

    const QIcon& icon() {
        if (!m_icon) {
            const QStyle* style = m_base ? m_base.data() : QApplication::style();
            m_icon = style->standardIcon(m_which, m_option ? &*m_option : nullptr, m_widget);
        }
        return *m_icon;
    }

    QPointer<const QStyle> m_base;
    QStyle::StandardPixmap m_which;
    // What the style reads of them: the direction, state and palette.
    std::optional<QStyleOption> m_option;
    QPointer<const QWidget> m_widget;
    std::optional<QIcon> m_icon;
};

} // namespace

QIcon NoFocusRingStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                     const QWidget* widget) const {
    return QIcon(new DeferredStandardIcon(baseStyle(), standardIcon, option, widget));
}

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
