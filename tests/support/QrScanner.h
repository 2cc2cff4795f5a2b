#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// Reads QR codes back with ZBar's zbarimg (Debian's zbar-tools), a decoder that shares nothing
// with the encoder under test.
namespace QrScanner {

// Whether zbarimg is there; tests QSKIP without it.
inline bool available() {
    return !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty();
}

// The bytes of the one code zbarimg finds in the image file at `path` (none: no code read).
inline std::optional<QByteArray> read(const QString& path) {
    QProcess zbar;
    // Binary: the bytes as they are, not re-encoded from a guessed character set.
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("--quiet"),
                                           QStringLiteral("-Sbinary"), QStringLiteral("--"), path});
    if (!zbar.waitForFinished(30000) || zbar.exitStatus() != QProcess::NormalExit ||
        zbar.exitCode() != 0)
        return std::nullopt;
    return zbar.readAllStandardOutput();
}

inline std::optional<QByteArray> read(const QImage& image) {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("code.png"));
    if (!image.save(path))
        return std::nullopt;
    return read(path);
}

// The PNG file `png` as it is, not decoded and written again by Qt.
inline std::optional<QByteArray> readPng(const QByteArray& png) {
    QTemporaryDir directory;
    QFile file(directory.filePath(QStringLiteral("code.png")));
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size())
        return std::nullopt;
    file.close();
    return read(file.fileName());
}

// What a terminal with light text on a dark background shows for `text` drawn with half
// blocks: each character one module wide and two high, the glyphs light. 4 pixels a module.
inline QImage terminalImage(const QString& text) {
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    const qsizetype width = lines.isEmpty() ? 0 : lines.front().size();
    QImage image(int(width), int(lines.size() * 2), QImage::Format_Grayscale8);
    image.fill(0);
    for (int row = 0; row < lines.size(); ++row) {
        const QString& line = lines.at(row);
        for (int column = 0; column < line.size(); ++column) {
            const QChar glyph = line.at(column);
            if (glyph == u'\u2588' || glyph == u'\u2580')
                image.setPixel(column, 2 * row, qRgb(255, 255, 255));
            if (glyph == u'\u2588' || glyph == u'\u2584')
                image.setPixel(column, 2 * row + 1, qRgb(255, 255, 255));
        }
    }
    return image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace QrScanner
