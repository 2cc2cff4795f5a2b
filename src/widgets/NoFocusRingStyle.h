#pragma once

#include <QProxyStyle>

// Application-wide style wrapper under which no text field (line edits, search fields, spin
// boxes, editable combo boxes, text edits) draws a focus ring or focus highlight; the text
// cursor alone shows where typing goes. Every other control keeps its focus indication.
// Its standard icons are made when first drawn: a window is built without loading any.
class NoFocusRingStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Wraps `baseStyle` (taking ownership); null wraps the platform's default style.
    explicit NoFocusRingStyle(QStyle* baseStyle = nullptr);

    // Wraps the application's current style; call once after QApplication exists.
    static void installApplicationWide();

    // Whether `widget` counts as a text field for this style.
    [[nodiscard]] static bool isTextField(const QWidget* widget);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    [[nodiscard]] QIcon standardIcon(StandardPixmap standardIcon,
                                     const QStyleOption* option = nullptr,
                                     const QWidget* widget = nullptr) const override;
    using QProxyStyle::polish;
};
