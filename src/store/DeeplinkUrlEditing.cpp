#include "store/DeeplinkUrlEditing.h"

#include "store/Placeholder.h"
#include "store/UrlText.h"

#include <algorithm>

namespace DeeplinkUrlEditing {
namespace {

using Part = UrlText::Part;

// A query item as written in the URL (percent-encoded) next to its decoded form.
struct EncodedItem {
    QString name;
    std::optional<QString> value;
    UrlQueryItem decoded;
};

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Decodes every "%" and two hex digits; any other "%" (as in "%zz") is shown as written.
QString decode(QStringView encoded) {
    const QByteArray bytes = encoded.toUtf8();
    QByteArray decoded;
    decoded.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && isHexDigit(bytes[i + 1]) &&
            isHexDigit(bytes[i + 2])) {
            decoded.append(QByteArray::fromHex(bytes.mid(i + 1, 2)));
            i += 2;
        } else {
            decoded.append(bytes[i]);
        }
    }
    return QString::fromUtf8(decoded);
}

// Percent-encodes what a component cannot hold as typed; unreserved characters, `kept` and
// placeholders stay, so a decoded field's text comes back as typed and a variable stays one.
QString encode(const QString& text, const QByteArray& kept) {
    const auto literal = [&kept](QStringView piece) {
        return QString::fromLatin1(piece.toUtf8().toPercentEncoding(kept));
    };
    QString encoded;
    qsizetype at = 0;
    for (const Placeholder& placeholder : Placeholder::find(text)) {
        encoded += literal(QStringView(text).sliced(at, placeholder.start - at));
        encoded += QStringView(text).sliced(placeholder.start, placeholder.size);
        at = placeholder.start + placeholder.size;
    }
    return encoded + literal(QStringView(text).sliced(at));
}

// Whether `at` falls inside one of `placeholders`, not at its edge.
bool splits(const QList<Placeholder>& placeholders, qsizetype at) {
    return std::any_of(placeholders.begin(), placeholders.end(), [at](const Placeholder& p) {
        return p.start < at && at < p.start + p.size;
    });
}

// One character of a component as written (a literal, an escape, or the escapes of one UTF-8
// sequence) and what it decodes to.
struct WrittenCharacter {
    QStringView written;
    QString decoded;
};

QList<WrittenCharacter> writtenCharacters(QStringView written) {
    // The byte an escape at `at` stands for; -1 where there is none.
    const auto escapedByte = [written](qsizetype at) {
        if (at + 2 >= written.size() || written[at] != u'%' || written[at + 1].unicode() > 0x7f ||
            written[at + 2].unicode() > 0x7f || !isHexDigit(char(written[at + 1].unicode())) ||
            !isHexDigit(char(written[at + 2].unicode())))
            return -1;
        return QStringView(written).sliced(at + 1, 2).toInt(nullptr, 16);
    };
    QList<WrittenCharacter> characters;
    for (qsizetype i = 0; i < written.size();) {
        const int lead = escapedByte(i);
        if (lead < 0) {
            const qsizetype size = written[i].isHighSurrogate() && i + 1 < written.size() ? 2 : 1;
            characters.append({written.sliced(i, size), written.sliced(i, size).toString()});
            i += size;
            continue;
        }
        const int length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
        QByteArray bytes(1, char(lead));
        qsizetype end = i + 3;
        for (int next = escapedByte(end); bytes.size() < length && next >= 0x80 && next < 0xc0;
             next = escapedByte(end)) {
            bytes.append(char(next));
            end += 3;
        }
        if (bytes.size() < length) { // a broken sequence: byte by byte
            bytes.truncate(1);
            end = i + 3;
        }
        characters.append({written.sliced(i, end - i), QString::fromUtf8(bytes)});
        i = end;
    }
    return characters;
}

// The component `written` rewritten to read as `text`: the characters before and after what the
// user changed keep their bytes ("%2f" stays an escaped slash, "{" and a stray "%" stay as they
// are); only the changed middle is encoded, with `kept` left as typed.
QString rewritten(QStringView written, const QString& text, const QByteArray& kept) {
    const QList<WrittenCharacter> characters = writtenCharacters(written);
    QString decoded;
    for (const WrittenCharacter& character : characters)
        decoded += character.decoded;
    if (decoded != decode(written)) // bytes that only decode together: no character to keep
        return encode(text, kept);
    // A placeholder completed by the change is written whole: the kept characters end and start
    // outside one, or "{{id}" and a typed "}" would give "%7B%7Bid%7D}".
    const QList<Placeholder> placeholders = Placeholder::find(text);
    qsizetype head = 0;
    qsizetype headSize = 0;
    while (head < characters.size() &&
           QStringView(text).sliced(headSize).startsWith(characters[head].decoded))
        headSize += characters[head++].decoded.size();
    while (splits(placeholders, headSize))
        headSize -= characters[--head].decoded.size();
    qsizetype tail = characters.size();
    qsizetype tailSize = 0;
    while (tail > head &&
           headSize + tailSize + characters[tail - 1].decoded.size() <= text.size() &&
           QStringView(text).first(text.size() - tailSize).endsWith(characters[tail - 1].decoded))
        tailSize += characters[--tail].decoded.size();
    while (splits(placeholders, text.size() - tailSize))
        tailSize -= characters[tail++].decoded.size();
    QString result;
    for (qsizetype i = 0; i < head; ++i)
        result += characters[i].written;
    result += encode(text.sliced(headSize, text.size() - headSize - tailSize), kept);
    for (qsizetype i = tail; i < characters.size(); ++i)
        result += characters[i].written;
    return result;
}

constexpr char subDelimiters[] = "!$&'()*+,;=";
constexpr char pathKept[] = "!$&'()*+,;=:@/";
// Query names and values: "&", "=" and "+" are encoded as they would split or change a row.
constexpr char queryKept[] = "!$'()*,;:@/?";

QString encodeQuery(const QString& text) {
    return encode(text, queryKept);
}

// A typed host: a name of letters, digits and "-._~" or sub-delimiters (letters beyond ASCII
// percent-encoded), or an IPv6 address, written in brackets. Anything else (a space, "/",
// "@") no host can hold.
std::optional<QString> encodeHost(const QString& text) {
    // A variable's host is checked when it is filled in.
    const QList<Placeholder> placeholders = Placeholder::find(text);
    if (text.contains(u':')) {
        for (const QChar c : text) {
            if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f') && c != u':' &&
                c != u'.')
                return std::nullopt;
        }
        return u'[' + text + u']';
    }
    const QString encoded = encode(text, subDelimiters);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() < 0x80 && encode(text.sliced(i, 1), subDelimiters).size() > 1 &&
            std::none_of(placeholders.begin(), placeholders.end(), [i](const Placeholder& p) {
                return p.start <= i && i < p.start + p.size;
            }))
            return std::nullopt;
    }
    return encoded;
}

Result<UrlText> parsed(const QString& url) {
    if (url.isEmpty())
        return UrlText();
    return UrlText::parse(url);
}

QList<EncodedItem> encodedItems(const QString& url) {
    QList<EncodedItem> items;
    const Result<UrlText> text = parsed(url);
    if (!text || !text->has(Part::Query) || text->part(Part::Query).isEmpty())
        return items;
    // Encoded text: a literal "&" or "=" inside a name or value is %26 / %3D, never a delimiter.
    for (QStringView piece : text->part(Part::Query).split(u'&')) {
        EncodedItem item;
        const qsizetype equals = piece.indexOf(u'=');
        if (equals < 0) {
            item.name = piece.toString();
        } else {
            item.name = piece.first(equals).toString();
            item.value = piece.sliced(equals + 1).toString();
        }
        item.decoded.name = decode(item.name);
        if (item.value)
            item.decoded.value = decode(*item.value);
        items.append(item);
    }
    return items;
}

QList<EncodedItem> encodedRows(const QString& url) {
    QList<EncodedItem> items = encodedItems(url);
    items.removeIf([](const EncodedItem& item) { return item.decoded.name.isEmpty(); });
    return items;
}

// `url` with `part` rewritten (or taken out): no URL when nothing is left, `url` itself when
// the write cannot be held.
QString withPart(const QString& url, Part part, const std::optional<QString>& text) {
    const Result<UrlText> current = parsed(url);
    if (!current)
        return url;
    const std::optional<QString> written = current->with(part, text);
    if (!written)
        return url;
    return written->isEmpty() ? QString() : *written;
}

std::optional<QString> unlessEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional(text);
}

} // namespace

QString fieldText(const QString& url, Field field) {
    // The stored text as it is, also one that no longer parses: the user sees what is fired.
    if (field == Field::Url)
        return url;
    const Result<UrlText> text = UrlText::parse(url);
    if (!text)
        return {};
    switch (field) {
    case Field::Url:
        return url;
    case Field::Host: {
        const QStringView host = text->part(Part::Host);
        // An IPv6 address is written in brackets but shown and typed without.
        if (host.startsWith(u'[') && host.endsWith(u']'))
            return host.sliced(1, host.size() - 2).toString();
        return decode(host);
    }
    case Field::Scheme:
        return text->part(Part::Scheme).toString();
    case Field::Port:
        return text->part(Part::Port).toString();
    case Field::User:
        return decode(text->part(Part::User));
    case Field::Password:
        return decode(text->part(Part::Password));
    case Field::Path:
        return decode(text->part(Part::Path));
    }
    return {};
}

QString withFieldText(const QString& url, Field field, const QString& text) {
    switch (field) {
    case Field::Url: {
        if (text.isEmpty())
            return {};
        const QString encoded = UrlText::encodedWhereNeeded(text);
        return UrlText::parse(encoded) ? encoded : url;
    }
    case Field::Host: {
        if (text.isEmpty())
            return withPart(url, Part::Host, std::nullopt);
        const std::optional<QString> host = encodeHost(text);
        return host ? withPart(url, Part::Host, host) : url;
    }
    case Field::Scheme:
        return withPart(url, Part::Scheme, unlessEmpty(text));
    case Field::Port: {
        // A variable's port is checked when it is filled in; digits around it must still fit.
        if (!Placeholder::find(text).isEmpty())
            return withPart(url, Part::Port, text);
        const std::optional<qint64> port = decimalInteger(text);
        if (!port)
            return withPart(url, Part::Port, std::nullopt);
        // A URL cannot hold a negative or too large port: keep the stored one.
        if (*port < 0 || *port > 65535)
            return url;
        return withPart(url, Part::Port, QString::number(*port));
    }
    case Field::User:
    case Field::Password:
    case Field::Path: {
        const Part part = field == Field::User       ? Part::User
                          : field == Field::Password ? Part::Password
                                                     : Part::Path;
        const Result<UrlText> current = parsed(url);
        const QStringView written = current ? current->part(part) : QStringView();
        const QString encoded =
            rewritten(written, text, part == Part::Path ? pathKept : subDelimiters);
        return withPart(url, part, part == Part::Path ? encoded : unlessEmpty(encoded));
    }
    }
    return url;
}

QList<UrlQueryItem> queryItems(const QString& url) {
    QList<UrlQueryItem> items;
    for (const EncodedItem& item : encodedItems(url))
        items.append(item.decoded);
    return items;
}

QList<QueryItem> rows(const QString& url) {
    QList<QueryItem> rows;
    for (const EncodedItem& item : encodedRows(url))
        rows.append(QueryItem{rows.size() + 1, item.decoded});
    return rows;
}

QString withRows(const QString& url, const QList<QueryItem>& rows) {
    const QList<EncodedItem> original = encodedRows(url);
    QStringList pieces;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const UrlQueryItem& item = rows[i].store;
        if (item.name.isEmpty())
            continue;
        const EncodedItem* before = i < original.size() ? &original[i] : nullptr;
        QString piece =
            before ? rewritten(before->name, item.name, queryKept) : encodeQuery(item.name);
        if (item.value && !item.value->isEmpty()) {
            piece += u'=';
            piece += before && before->value ? rewritten(*before->value, *item.value, queryKept)
                                             : encodeQuery(*item.value);
        }
        pieces.append(piece);
    }
    // Present even when empty: an empty row list keeps the "?".
    return withPart(url, Part::Query, pieces.join(u'&'));
}

QString withRowName(const QString& url, qint64 id, const QString& name) {
    QList<QueryItem> current = rows(url);
    if (id < 1 || id > current.size())
        return url;
    current[id - 1].store.name = name;
    return withRows(url, current);
}

QString withRowValue(const QString& url, qint64 id, const QString& value) {
    QList<QueryItem> current = rows(url);
    if (id < 1 || id > current.size())
        return url;
    current[id - 1].store.value = value.isEmpty() ? std::nullopt : std::optional(value);
    return withRows(url, current);
}

QString withAddedRow(const QString& url, qint64* newId) {
    QList<QueryItem> current = rows(url);
    const qint64 id = current.isEmpty() ? 1 : current.last().id + 1;
    current.append(
        QueryItem{id, UrlQueryItem{QStringLiteral("key%1").arg(id), QStringLiteral("value")}});
    const QString result = withRows(url, current);
    if (newId)
        *newId = rows(result).size() == id ? id : 0;
    return result;
}

QString withLastRowRemoved(const QString& url) {
    QList<QueryItem> current = rows(url);
    if (!current.isEmpty())
        current.removeLast();
    return withRows(url, current);
}

std::optional<qint64> decimalInteger(const QString& text) {
    qsizetype start = 0;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-'))
        start = 1;
    if (start == text.size())
        return std::nullopt;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
    }
    bool ok = false;
    // toLongLong takes the sign itself and reports overflow through `ok`.
    const qint64 value = QStringView(text).toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace DeeplinkUrlEditing
