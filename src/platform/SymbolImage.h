#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QPainter;

// Free functions giving named symbol images ("globe", "iphone.slash", ...) as QIcon or QPixmap,
// drawn from the SVGs bundled under ":/symbols/<name>.svg", tinted at render time so they follow
// the palette and stay crisp on HiDPI screens. An unknown name falls back to "questionmark".
namespace SymbolImage {

// Whether a symbol of that name is bundled.
[[nodiscard]] bool exists(const QString& name);

// The symbol at `size` logical pixels for `devicePixelRatio`, tinted with `color`
// (invalid colour: the palette's window text colour).
[[nodiscard]] QPixmap pixmap(const QString& name, int size, const QColor& color = {},
                             qreal devicePixelRatio = 1.0);

// The pixel ratio `painter` draws at, for pixmaps that must match it (1 without a device).
[[nodiscard]] qreal devicePixelRatio(const QPainter* painter);

// An icon that renders the symbol at whatever size and ratio it is asked for, tinted with the
// palette's text colour (or `color`), dimmed when disabled.
[[nodiscard]] QIcon icon(const QString& name, const QColor& color = {});

} // namespace SymbolImage
