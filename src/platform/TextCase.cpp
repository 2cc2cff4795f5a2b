#include "platform/TextCase.h"

namespace TextCase {

QString capitalized(const QString& text) {
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        if (text.at(i).isSpace()) {
            result.append(text.at(i));
            ++i;
            continue;
        }
        // First code point of the word in title case (a surrogate pair counts as one).
        char32_t first = text.at(i).unicode();
        qsizetype firstLength = 1;
        if (QChar::isHighSurrogate(first) && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
            first = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            firstLength = 2;
        }
        const char32_t titled = QChar::toTitleCase(first);
        result.append(QString::fromUcs4(&titled, 1));
        qsizetype end = i + firstLength;
        while (end < size && !text.at(end).isSpace())
            ++end;
        result.append(
            QStringView(text).mid(i + firstLength, end - i - firstLength).toString().toLower());
        i = end;
    }
    return result;
}

} // namespace TextCase
