#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>

// Emoji are drawn with the colour font "Noto Color Emoji". Its glyphs are large bitmaps that
// the text engine decodes and scales again on every draw, so emoji shown many times (the
// picker's grid) are drawn from a cache of ready pixmaps instead.
namespace EmojiFont {

// The colour emoji font at `pixelSize`. Font merging is off: with it, the zero-width joiners
// and variation selectors of a sequence can fall back to another font, which splits
// "❤️‍🔥" or a family into separate glyphs.
[[nodiscard]] QFont font(int pixelSize);

// `text` drawn with font(pixelSize) for `devicePixelRatio`, cached process-wide.
[[nodiscard]] QPixmap pixmap(const QString& text, int pixelSize, qreal devicePixelRatio);

} // namespace EmojiFont
