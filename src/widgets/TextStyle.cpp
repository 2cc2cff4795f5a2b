#include "widgets/TextStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QStringList>

namespace TextStyle {

namespace {

// Relative to the body size, after the desktop platform's type ramp (body 13, callout 12,
// subheadline 11, caption 10, headline 13 bold, title 22, large title 26).
qreal scaleOf(Style style) {
    switch (style) {
    case Style::LargeTitle:
        return 2.0;
    case Style::Title:
        return 1.7;
    case Style::Headline:
    case Style::Body:
        return 1.0;
    case Style::Callout:
        return 0.92;
    case Style::Subheadline:
        return 0.85;
    case Style::Caption:
        return 0.8;
    case Style::Caption2:
        return 0.77;
    }
    return 1.0;
}

const QString& roundedFamily() {
    static const QString family = [] {
        const QStringList candidates{QStringLiteral("SF Pro Rounded"), QStringLiteral("Nunito"),
                                     QStringLiteral("Varela Round"),
                                     QStringLiteral("M PLUS Rounded 1c"),
                                     QStringLiteral("Arial Rounded MT Bold")};
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate : candidates) {
            if (installed.contains(candidate))
                return candidate;
        }
        return QString();
    }();
    return family;
}

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

QFont font(Style style, bool rounded) {
    QFont font = QApplication::font();
    const qreal base = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    font.setPointSizeF(base * scaleOf(style));
    if (style == Style::Headline || style == Style::Title || style == Style::LargeTitle)
        font.setWeight(style == Style::Headline ? QFont::DemiBold : QFont::Medium);
    if (rounded && !roundedFamily().isEmpty())
        font.setFamily(roundedFamily());
    return font;
}

QColor secondary(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::WindowText), 0.55);
}

QColor secondaryOnAccent(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::Active, QPalette::HighlightedText), 0.8);
}

QColor hover(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::WindowText), 0.05);
}

QColor separator(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::WindowText), 0.15);
}

QColor inactiveSelection(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::Active, QPalette::Highlight), 0.35);
}

QColor placeholderFill(const QColor& tint) {
    return withAlpha(tint, 0.1);
}

QColor green() {
    return {0x28, 0xa7, 0x45};
}

QColor orange() {
    return {0xff, 0x95, 0x00};
}

QColor red() {
    return {0xe0, 0x3b, 0x30};
}

void setProblemStyle(QLabel* label) {
    label->setFont(font(Style::Callout));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    QPalette warning = label->palette();
    warning.setColor(QPalette::WindowText, orange());
    label->setPalette(warning);
}

int largeSymbolSize(Style style) {
    return qRound(QFontInfo(font(style)).pixelSize() * 2.0);
}

} // namespace TextStyle
