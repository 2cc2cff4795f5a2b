#include "platform/QrCode.h"

#include <QtEndian>

#include <qrencode.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// The CRC-32 of PNG chunks (ISO 3309, reflected, polynomial 0xedb88320); Qt Core has none.
constexpr std::array<quint32, 256> crcTable = [] {
    std::array<quint32, 256> table{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xedb88320U ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

quint32 crc32(QByteArrayView bytes) {
    quint32 c = 0xffffffffU;
    for (const char byte : bytes)
        c = crcTable[(c ^ quint8(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffU;
}

void appendBigEndian(QByteArray& bytes, quint32 value) {
    const quint32 big = qToBigEndian(value);
    bytes.append(reinterpret_cast<const char*>(&big), sizeof big);
}

// Length, type, data, and the CRC of type and data.
void appendChunk(QByteArray& png, QByteArrayView type, QByteArrayView data) {
    appendBigEndian(png, quint32(data.size()));
    const qsizetype start = png.size();
    png.append(type);
    png.append(data);
    appendBigEndian(png, crc32(QByteArrayView(png).sliced(start)));
}

} // namespace

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

QByteArray QrCode::png(int moduleSize) const {
    moduleSize = std::max(moduleSize, 1);
    const int side = (m_size + 2 * quietZone) * moduleSize;
    // Each row: filter type 0 (none), then one gray byte per pixel.
    QByteArray rows(qsizetype(side) * (side + 1), char(255));
    for (int y = 0; y < side; ++y) {
        char* row = rows.data() + qsizetype(y) * (side + 1);
        row[0] = 0;
        for (int x = 0; x < side; ++x) {
            if (isDark(x / moduleSize - quietZone, y / moduleSize - quietZone))
                row[1 + x] = 0;
        }
    }
    QByteArray header;
    appendBigEndian(header, quint32(side));
    appendBigEndian(header, quint32(side));
    // Bit depth 8, grayscale, deflate, the standard filters, no interlace.
    header.append("\x08\x00\x00\x00\x00", 5);

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    // qCompress gives a zlib stream, as IDAT holds, after four bytes of its own length.
    appendChunk(png, "IDAT", QByteArrayView(qCompress(rows)).sliced(4));
    appendChunk(png, "IEND", {});
    return png;
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
