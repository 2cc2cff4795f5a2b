#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A QR code of a URL, made by libqrencode: the URL's UTF-8 bytes in 8-bit mode, at error
// correction level M (15%), or L when only L fits: a screen shows the code undamaged, so a
// longer URL is better served by fitting at all than by more redundancy. Renders as a PNG and
// as text for a terminal, each with the standard quiet zone of four light modules. Needs no Qt
// Gui, so that kestrine-cli loads none: a view makes its image from png().
class QrCode {
public:
    // Modules of light margin on each side, as scanners expect.
    static constexpr int quietZone = 4;
    // Pixels per module of the PNG: a phone reads it from a screen at arm's length.
    static constexpr int defaultModuleSize = 8;
    // The most bytes a QR code holds in 8-bit mode (version 40, level L).
    static constexpr int maximumBytes = 2953;

    // The code of `url`, or why there is none: an empty URL, or one too long for any version.
    [[nodiscard]] static Result<QrCode> encode(const QString& url);

    // Modules per side, without the quiet zone.
    [[nodiscard]] int size() const { return m_size; }
    // Whether the module at column `x`, row `y` is dark; outside the symbol (the quiet zone
    // and beyond) every module is light.
    [[nodiscard]] bool isDark(int x, int y) const;

    // The bytes of a PNG file of black modules on white (8-bit grayscale), quiet zone included,
    // `moduleSize` pixels per module, no smoothing: (size() + 2 * quietZone) * moduleSize
    // pixels square.
    [[nodiscard]] QByteArray png(int moduleSize = defaultModuleSize) const;
    // The code for a terminal, quiet zone included: one line per two module rows, each
    // character one module wide ("▀", "▄", "█" or a space), each line ending in "\n". The
    // characters draw the light modules, so that the code reads right on a terminal with
    // light text on a dark background (most developers' terminals): a scanner wants dark
    // modules on light. The row below the last one is taken as background.
    [[nodiscard]] QString terminalText() const;

private:
    QrCode(int size, std::vector<bool> dark)
        : m_size(size)
        , m_dark(std::move(dark)) {}

    int m_size = 0;
    std::vector<bool> m_dark; // row by row
};
