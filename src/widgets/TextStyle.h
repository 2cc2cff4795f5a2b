#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

// The window's text styles, sized relative to the application font so they follow the
// desktop's font settings: large title, title, headline, body, callout, subheadline, caption
// and caption 2, with an optional rounded design where a rounded face is installed.
namespace TextStyle {

enum class Style { LargeTitle, Title, Headline, Body, Callout, Subheadline, Caption, Caption2 };

[[nodiscard]] QFont font(Style style, bool rounded = false);

// Text and symbols that sit back: placeholders, counts, subtitles.
[[nodiscard]] QColor secondary(const QPalette& palette);

// Pixel size of a symbol drawn beside text of `style` at the large image scale.
[[nodiscard]] int largeSymbolSize(Style style);

} // namespace TextStyle
