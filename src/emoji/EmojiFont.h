#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

// Emoji are drawn with the system's colour emoji font: "Apple Color Emoji" on a Mac, "Noto Color
// Emoji" on Linux. Its glyphs are large bitmaps that the text engine decodes and scales again on
// every draw, so emoji shown many times (the picker's grid) are drawn from a cache of ready
// images instead.
namespace EmojiFont {

// The colour emoji families tried, in this order.
[[nodiscard]] QStringList preferredFamilies();

// The first of preferredFamilies() that `installed` holds, as it is written there (the font
// database adds " [Foundry]" to a family two foundries make; case does not matter), or an empty
// string when it holds none.
[[nodiscard]] QString chooseFamily(const QStringList& installed);

// chooseFamily() of the installed fonts, looked up once; empty: the platform's default font.
[[nodiscard]] QString family();

// The colour emoji font at `pixelSize`. Font merging is off: with it, the zero-width joiners
// and variation selectors of a sequence can fall back to another font, which splits
// "❤️‍🔥" or a family into separate glyphs. Without a colour font the platform's default
// font draws, merging on, so that whatever font has the glyphs can lend them.
[[nodiscard]] QFont font(int pixelSize);

// `text` drawn with font(pixelSize) for `devicePixelRatio`, cached (GUI thread only).
[[nodiscard]] QImage image(const QString& text, int pixelSize, qreal devicePixelRatio);

// Draws `text` without the cache; safe on any thread.
[[nodiscard]] QImage render(const QString& text, int pixelSize, qreal devicePixelRatio);

// Adds images made by render() elsewhere to the cache (GUI thread only); keys from cacheKey().
void insert(const QHash<QString, QImage>& images);
[[nodiscard]] QString cacheKey(const QString& text, int pixelSize, qreal devicePixelRatio);
[[nodiscard]] bool isCached(const QString& key);
// Bytes of images held by the cache.
[[nodiscard]] qsizetype cachedBytes();
// Empties the cache (benchmarks).
void clearCache();

} // namespace EmojiFont
