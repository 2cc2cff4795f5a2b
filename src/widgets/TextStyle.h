#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QVariant>

class QLabel;

// Free functions giving QFonts and QColors: the window's text styles, sized relative to the
// application font so they follow the desktop's font settings: large title, title, headline, body,
// callout, subheadline, caption and caption 2, with an optional rounded design where a rounded face
// is installed.
namespace TextStyle {

enum class Style { LargeTitle, Title, Headline, Body, Callout, Subheadline, Caption, Caption2 };

[[nodiscard]] QFont font(Style style, bool rounded = false);

// Text and symbols that sit back: placeholders, counts, subtitles.
[[nodiscard]] QColor secondary(const QPalette& palette);
// The same on the accent of a highlighted row.
[[nodiscard]] QColor secondaryOnAccent(const QPalette& palette);

// Row backgrounds: under the mouse, and selected while the list is not focused.
[[nodiscard]] QColor hover(const QPalette& palette);
[[nodiscard]] QColor inactiveSelection(const QPalette& palette);
// Hairlines between columns, under headers and around tables.
[[nodiscard]] QColor separator(const QPalette& palette);
// The faint fill behind a placeholder symbol drawn in `tint`.
[[nodiscard]] QColor placeholderFill(const QColor& tint);

// Fixed marks: something running (a booted device), a warning, and a failure.
[[nodiscard]] QColor green();
[[nodiscard]] QColor orange();
[[nodiscard]] QColor red();

// A label saying why typed text was not taken: callout size, in the warning colour, wrapped.
void setProblemStyle(QLabel* label);
// Tints a list or table item red, saying why in its tooltip (or clears the mark): unlike red
// text, a tint shows on an empty name too.
template <class Item> void markProblem(Item* item, const QString& problem) {
    QColor tint = red();
    tint.setAlpha(70);
    item->setData(Qt::BackgroundRole, problem.isEmpty() ? QVariant() : QVariant(tint));
    item->setToolTip(problem);
}

// Pixel size of a symbol drawn beside text of `style` at the large image scale.
[[nodiscard]] int largeSymbolSize(Style style);

} // namespace TextStyle
