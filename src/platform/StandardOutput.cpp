#include "platform/StandardOutput.h"

#include <cstdio>

namespace StandardOutput {

void printLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString escaped(QStringView field) {
    QString text;
    text.reserve(field.size());
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\':
            text += QStringLiteral("\\\\");
            continue;
        case u'\t':
            text += QStringLiteral("\\t");
            continue;
        case u'\n':
            text += QStringLiteral("\\n");
            continue;
        case u'\r':
            text += QStringLiteral("\\r");
            continue;
        case 0x1B:
            text += QStringLiteral("\\e");
            continue;
        default:
            break;
        }
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            text += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

} // namespace StandardOutput
