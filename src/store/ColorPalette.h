#pragma once

#include <QList>
#include <QRgb>
#include <QStringList>

// The twelve collection colours, in their fixed order: offered by the collection editor (the
// first is its default) and drawn from at random for imported collections. Built once, on
// first use; opaque sRGB, as QRgb values, which need no Qt Gui at run time (kestrine-cli
// imports too); views make QColors of them.
namespace ColorPalette {

[[nodiscard]] const QList<QRgb>& colors();

// The colours' names, in the same order, for people who cannot see them.
[[nodiscard]] const QStringList& names();

// Index of the palette colour equal to `rgba` (8-bit components and opacity), or -1.
[[nodiscard]] int indexOf(QRgb rgba);

} // namespace ColorPalette
