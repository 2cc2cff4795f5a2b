#include "platform/QrCode.h"

#include <QBuffer>
#include <QImageWriter>

#include <qrencode.h>

#include <cerrno>
#include <cstring>
#include <memory>

Result<QrCode> QrCode::encode(const QString& url) {
    const QByteArray bytes = url.toUtf8();
    if (bytes.isEmpty())
        return ResultError(QStringLiteral("There is no URL to make a QR code of."));
    if (bytes.size() > maximumBytes)
        return ResultError(QStringLiteral("The URL is too long for a QR code: %1 bytes, and a QR "
                                          "code holds at most %2.")
                               .arg(bytes.size())
                               .arg(maximumBytes));
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (const QRecLevel level : {QR_ECLEVEL_M, QR_ECLEVEL_L}) {
        errno = 0;
        // Version 0: the smallest that holds the data.
        const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
            QRcode_encodeData(int(bytes.size()), data, 0, level), &QRcode_free);
        if (code) {
            const int size = code->width;
            std::vector<bool> dark(size_t(size) * size_t(size));
            // Bit 0 of each byte is the module's colour; the others say what it is part of.
            for (size_t i = 0; i < dark.size(); ++i)
                dark[i] = (code->data[i] & 1) != 0;
            return QrCode(size, std::move(dark));
        }
        if (errno != ERANGE)
            return ResultError(QStringLiteral("The QR code cannot be made: %1")
                                   .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    // Reached only when the byte limit above and libqrencode's disagree.
    return ResultError(
        QStringLiteral("The URL is too long for a QR code: %1 bytes.").arg(bytes.size()));
}

bool QrCode::isDark(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_size || y >= m_size)
        return false;
    return m_dark[size_t(y) * size_t(m_size) + size_t(x)];
}

QImage QrCode::image(int moduleSize) const {
    const int side = m_size + 2 * quietZone;
    QImage modules(side, side, QImage::Format_Grayscale8);
    for (int y = 0; y < side; ++y) {
        uchar* line = modules.scanLine(y);
        for (int x = 0; x < side; ++x)
            line[x] = isDark(x - quietZone, y - quietZone) ? 0 : 255;
    }
    // Nearest neighbour: each module a sharp square of whole pixels.
    return modules.scaled(side * moduleSize, side * moduleSize, Qt::IgnoreAspectRatio,
                          Qt::FastTransformation);
}

QByteArray QrCode::png(int moduleSize) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image(moduleSize));
    return bytes;
}

QString QrCode::terminalText() const {
    const int side = m_size + 2 * quietZone;
    const auto light = [this, side](int x, int y) {
        // Below the quiet zone is the terminal's background.
        return y < side && !isDark(x - quietZone, y - quietZone);
    };
    QString text;
    text.reserve((side + 1) * (side + 1) / 2);
    for (int y = 0; y < side; y += 2) {
        for (int x = 0; x < side; ++x) {
            const bool top = light(x, y);
            const bool bottom = light(x, y + 1);
            text += top && bottom ? u'\u2588' : top ? u'\u2580' : bottom ? u'\u2584' : u' ';
        }
        text += u'\n';
    }
    return text;
}
