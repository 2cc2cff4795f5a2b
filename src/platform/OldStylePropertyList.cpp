#include "platform/OldStylePropertyList.h"

#include <QVariantList>
#include <QVariantMap>

namespace {

// Characters of an unquoted string, as the OpenStep format allows them.
bool isUnquoted(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'_' || u == u'$' || u == u'+' || u == u'/' || u == u':' || u == u'.' || u == u'-';
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

class Parser {
public:
    explicit Parser(const QString& text)
        : m_text(text) {}

    std::optional<QVariant> document() {
        std::optional<QVariant> value = parseValue(0);
        if (value && skipSpace() && m_at == m_text.size())
            return value;
        return std::nullopt;
    }

private:
    [[nodiscard]] bool atEnd() const { return m_at >= m_text.size(); }
    [[nodiscard]] QChar peek() const { return atEnd() ? QChar() : m_text[m_at]; }

    // Skips white space and comments; false on a comment left open.
    bool skipSpace() {
        while (!atEnd()) {
            const QChar c = m_text[m_at];
            if (c.isSpace()) {
                ++m_at;
            } else if (c == u'/' && m_at + 1 < m_text.size() && m_text[m_at + 1] == u'/') {
                while (!atEnd() && m_text[m_at] != u'\n' && m_text[m_at] != u'\r')
                    ++m_at;
            } else if (c == u'/' && m_at + 1 < m_text.size() && m_text[m_at + 1] == u'*') {
                const qsizetype end = m_text.indexOf(QStringLiteral("*/"), m_at + 2);
                if (end < 0)
                    return false;
                m_at = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    // Skips space, then takes `c` if it comes next.
    bool take(char16_t c) {
        if (!skipSpace() || peek() != c)
            return false;
        ++m_at;
        return true;
    }

    std::optional<QVariant> parseValue(int depth) {
        if (depth > OldStylePropertyList::maximumDepth || !skipSpace() || atEnd())
            return std::nullopt;
        const QChar c = m_text[m_at];
        if (c == u'{')
            return parseDictionary(depth);
        if (c == u'(')
            return parseArray(depth);
        if (c == u'<')
            return parseData();
        if (std::optional<QString> text = parseString())
            return QVariant(*std::move(text));
        return std::nullopt;
    }

    std::optional<QString> parseString() {
        if (!skipSpace() || atEnd())
            return std::nullopt;
        const QChar c = m_text[m_at];
        if (c == u'"' || c == u'\'')
            return parseQuoted(c);
        const qsizetype begin = m_at;
        while (!atEnd() && isUnquoted(m_text[m_at]))
            ++m_at;
        if (m_at == begin)
            return std::nullopt;
        return m_text.sliced(begin, m_at - begin);
    }

    std::optional<QString> parseQuoted(QChar quote) {
        ++m_at;
        QString text;
        while (!atEnd()) {
            const QChar c = m_text[m_at++];
            if (c == quote)
                return text;
            if (c != u'\\') {
                text.append(c);
                continue;
            }
            if (atEnd())
                return std::nullopt;
            const QChar escaped = m_text[m_at++];
            switch (escaped.unicode()) {
            case u'a':
                text.append(QChar(0x07));
                break;
            case u'b':
                text.append(QChar(0x08));
                break;
            case u'f':
                text.append(QChar(0x0c));
                break;
            case u'n':
                text.append(QChar(0x0a));
                break;
            case u'r':
                text.append(QChar(0x0d));
                break;
            case u't':
                text.append(QChar(0x09));
                break;
            case u'v':
                text.append(QChar(0x0b));
                break;
            case u'U':
            case u'u': {
                // Up to four hex digits: one UTF-16 unit, a surrogate pair taking two escapes.
                char16_t unit = 0;
                int digits = 0;
                while (digits < 4 && !atEnd() && hexValue(m_text[m_at]) >= 0) {
                    unit = char16_t(unit * 16 + hexValue(m_text[m_at++]));
                    ++digits;
                }
                if (digits == 0)
                    return std::nullopt;
                text.append(QChar(unit));
                break;
            }
            default:
                if (escaped >= u'0' && escaped <= u'7') {
                    // Up to three octal digits, a byte value.
                    int value = escaped.unicode() - u'0';
                    for (int digits = 1;
                         digits < 3 && !atEnd() && m_text[m_at] >= u'0' && m_text[m_at] <= u'7';
                         ++digits)
                        value = value * 8 + (m_text[m_at++].unicode() - u'0');
                    text.append(QChar(char16_t(value & 0xff)));
                } else {
                    // \" \' \\ and anything else stand for themselves.
                    text.append(escaped);
                }
            }
        }
        return std::nullopt;
    }

    std::optional<QVariant> parseData() {
        ++m_at;
        QByteArray bytes;
        int high = -1;
        while (skipSpace() && !atEnd()) {
            const QChar c = m_text[m_at++];
            if (c == u'>')
                return high < 0 ? std::optional<QVariant>(bytes) : std::nullopt;
            const int digit = hexValue(c);
            if (digit < 0)
                return std::nullopt;
            if (high < 0) {
                high = digit;
            } else {
                bytes.append(char(high * 16 + digit));
                high = -1;
            }
        }
        return std::nullopt;
    }

    std::optional<QVariant> parseDictionary(int depth) {
        ++m_at;
        QVariantMap map;
        while (!take(u'}')) {
            std::optional<QString> key = parseString();
            if (!key || !take(u'='))
                return std::nullopt;
            std::optional<QVariant> value = parseValue(depth + 1);
            if (!value || !take(u';'))
                return std::nullopt;
            map.insert(*std::move(key), *std::move(value));
        }
        return map;
    }

    std::optional<QVariant> parseArray(int depth) {
        ++m_at;
        QVariantList list;
        while (!take(u')')) {
            std::optional<QVariant> value = parseValue(depth + 1);
            if (!value)
                return std::nullopt;
            list.append(*std::move(value));
            // A comma after the last element is allowed.
            if (!take(u',')) {
                if (!take(u')'))
                    return std::nullopt;
                break;
            }
        }
        return list;
    }

    const QString& m_text;
    qsizetype m_at = 0;
};

} // namespace

std::optional<QVariant> OldStylePropertyList::parse(QByteArrayView text) {
    const QString decoded = QString::fromUtf8(text);
    return Parser(decoded).document();
}
