#include "store/UrlText.h"

#include "store/Placeholder.h"

namespace {

using Part = UrlText::Part;
constexpr size_t partCount = 8;

bool cannotStand(char16_t c) {
    return c <= 0x20 || c >= 0x7f;
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isSchemeCharacter(QChar c) {
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

// First index of one of `characters` in text[from, to), or `to`.
qsizetype findAny(const QString& text, qsizetype from, qsizetype to, QStringView characters) {
    for (qsizetype i = from; i < to; ++i) {
        if (characters.contains(text[i]))
            return i;
    }
    return to;
}

// `text` without its placeholders, and whether it had any.
std::pair<QString, bool> withoutPlaceholders(QStringView text, UrlText::Placeholders placeholders) {
    if (placeholders == UrlText::Placeholders::Literal)
        return {text.toString(), false};
    QString rest;
    qsizetype at = 0;
    const QList<Placeholder> found = Placeholder::find(text);
    for (const Placeholder& placeholder : found) {
        rest += text.sliced(at, placeholder.start - at);
        at = placeholder.start + placeholder.size;
    }
    rest += text.sliced(at);
    return {rest, !found.isEmpty()};
}

bool isPort(QStringView text, UrlText::Placeholders placeholders) {
    // A variable's digits are checked when it is filled in.
    const auto [digits, variable] = withoutPlaceholders(text, placeholders);
    text = digits;
    // An empty port is allowed ("s://h:/"); QString's conversion would also take signs.
    if (!variable && text.size() > 5)
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return text.isEmpty() || variable || text.toInt() <= 65535;
}

} // namespace

QString UrlText::encodedWhereNeeded(QStringView text) {
    QString out;
    out.reserve(text.size());
    static constexpr char hex[] = "0123456789ABCDEF";
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!cannotStand(text[i].unicode())) {
            out.append(text[i]);
            continue;
        }
        // A surrogate pair is one character: encode both halves' UTF-8 together.
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        for (const char byte : text.mid(i, length).toUtf8()) {
            out.append(u'%');
            out.append(QLatin1Char(hex[(uchar(byte) >> 4) & 0xf]));
            out.append(QLatin1Char(hex[uchar(byte) & 0xf]));
        }
        i += length - 1;
    }
    return out;
}

QString UrlText::problem(const QString& text) {
    const Result<UrlText> url = parse(text);
    return url ? QString() : url.error();
}

Result<UrlText> UrlText::parse(const QString& text, Placeholders placeholders) {
    if (text.isEmpty())
        return ResultError(QStringLiteral("Type a URL, as in myapp://path."));
    for (const QChar c : text) {
        if (cannotStand(c.unicode()))
            return ResultError(QStringLiteral("\u201c%1\u201d cannot stand in a URL.").arg(c));
    }
    UrlText url;
    url.m_text = text;
    const auto set = [&url](Part part, qsizetype start, qsizetype end) {
        url.m_spans[size_t(part)] = Span{start, end - start};
    };
    const qsizetype size = text.size();

    const qsizetype colon = findAny(text, 0, size, u":/?#");
    if (colon == 0 || colon == size || text[colon] != u':')
        return ResultError(QStringLiteral("A URL needs a scheme, as in myapp://path."));
    // A variable's characters are checked when it is filled in.
    const QString scheme = withoutPlaceholders(QStringView(text).first(colon), placeholders).first;
    // A "{" that starts no placeholder is refused below with every other odd character.
    if (!isAsciiLetter(text[0]) && text[0] != u'{')
        return ResultError(QStringLiteral("A scheme starts with a letter."));
    for (const QChar c : scheme) {
        if (!isSchemeCharacter(c))
            return ResultError(QStringLiteral("A scheme holds only letters, digits, \u201c+\u201d, "
                                              "\u201c-\u201d and \u201c.\u201d."));
    }
    set(Part::Scheme, 0, colon);

    qsizetype position = colon + 1;
    if (QStringView(text).mid(position).startsWith(u"//")) {
        const qsizetype start = position + 2;
        const qsizetype end = findAny(text, start, size, u"/?#");
        qsizetype hostStart = start;
        // The last "@": a raw "@" cannot stand in a host, so the user information ends there.
        const qsizetype at = QStringView(text).first(end).lastIndexOf(u'@');
        if (at >= start) {
            const qsizetype separator = findAny(text, start, at, u":");
            set(Part::User, start, separator);
            if (separator < at)
                set(Part::Password, separator + 1, at);
            hostStart = at + 1;
        }
        qsizetype hostEnd = findAny(text, hostStart, end, u":");
        if (hostStart < end && text[hostStart] == u'[') {
            const qsizetype close = findAny(text, hostStart, end, u"]");
            if (close == end)
                return ResultError(
                    QStringLiteral("The host\u2019s \u201c[\u201d is never closed."));
            hostEnd = close + 1;
            if (hostEnd < end && text[hostEnd] != u':')
                return ResultError(QStringLiteral("Only a port may follow a bracketed host."));
        }
        set(Part::Host, hostStart, hostEnd);
        if (hostEnd < end) {
            if (!isPort(QStringView(text).sliced(hostEnd + 1, end - hostEnd - 1), placeholders))
                return ResultError(QStringLiteral("A port is a number up to 65535."));
            set(Part::Port, hostEnd + 1, end);
        }
        position = end;
    }

    const qsizetype pathEnd = findAny(text, position, size, u"?#");
    set(Part::Path, position, pathEnd);
    position = pathEnd;
    if (position < size && text[position] == u'?') {
        const qsizetype queryEnd = findAny(text, position + 1, size, u"#");
        set(Part::Query, position + 1, queryEnd);
        position = queryEnd;
    }
    if (position < size)
        set(Part::Fragment, position + 1, size);
    return url;
}

QStringView UrlText::part(Part part) const {
    const Span& s = span(part);
    return s.start < 0 ? QStringView() : QStringView(m_text).sliced(s.start, s.size);
}

std::optional<QString> UrlText::with(Part part, const std::optional<QString>& text) const {
    std::array<std::optional<QString>, partCount> parts;
    for (size_t i = 0; i < partCount; ++i) {
        if (has(Part(i)))
            parts[i] = this->part(Part(i)).toString();
    }
    auto& [scheme, user, password, host, port, path, query, fragment] = parts;
    parts[size_t(part)] = text;
    // A password needs the user's place before it, a user or port the host's; a user left
    // empty only for a password that is gone goes too.
    if (password && !user)
        user = QString();
    if (part == Part::Password && !password && user && user->isEmpty())
        user.reset();
    if (!host && (user || port))
        host = QString();

    QString out;
    if (scheme)
        out += *scheme + u':';
    if (host) {
        out += u"//";
        if (user) {
            out += *user;
            if (password)
                out += u':' + *password;
            out += u'@';
        }
        out += *host;
        if (port)
            out += u':' + *port;
    }
    out += path.value_or(QString());
    if (query)
        out += u'?' + *query;
    if (fragment)
        out += u'#' + *fragment;
    if (out.isEmpty())
        return QString();

    // The new text has to read back as exactly the parts it was made of.
    const Result<UrlText> reread = parse(out);
    if (!reread)
        return std::nullopt;
    for (size_t i = 0; i < partCount; ++i) {
        const Part p = Part(i);
        const bool expected = p == Part::Path ? true : parts[i].has_value();
        if (reread->has(p) != expected || reread->part(p) != parts[i].value_or(QString()))
            return std::nullopt;
    }
    return out;
}
