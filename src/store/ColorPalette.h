#pragma once

#include <QColor>
#include <QList>
#include <QStringList>

// The twelve collection colours, in their fixed order: offered by the collection editor (the
// first is its default) and drawn from at random for imported collections. Built once, on
// first use; opaque sRGB.
namespace ColorPalette {

[[nodiscard]] const QList<QColor>& colors();

// The colours' names, in the same order, for people who cannot see them.
[[nodiscard]] const QStringList& names();

// Index of the palette colour equal to `color` (8-bit components and opacity), or -1.
[[nodiscard]] int indexOf(const QColor& color);

} // namespace ColorPalette
