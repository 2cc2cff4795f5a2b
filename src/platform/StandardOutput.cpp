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
        // Backslash, tab, newline, CR and ESC have a name; other controls show their code.
        if (const qsizetype named = QStringView(u"\\\t\n\r\x1b").indexOf(c); named >= 0) {
            text += u'\\';
            text += QStringView(u"\\tnre")[named];
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            text += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace StandardOutput
