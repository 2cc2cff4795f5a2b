#include "store/DeeplinkUrlEditing.h"

namespace DeeplinkUrlEditing {
namespace {

// A query item as written in the URL (percent-encoded) next to its decoded form.
struct EncodedItem {
    QString name;
    std::optional<QString> value;
    UrlQueryItem decoded;
};

QString decode(const QString& encoded) {
    return QUrl::fromPercentEncoding(encoded.toUtf8());
}

// Sub-delimiters other than "&", "=" and "+", and the characters a query may hold as they are.
QString encode(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text, "!$'()*,;:@/?"));
}

QList<EncodedItem> encodedItems(const QUrl& url) {
    QList<EncodedItem> items;
    if (!url.isValid() || !url.hasQuery())
        return items;
    const QString query = url.query(QUrl::FullyEncoded);
    if (query.isEmpty())
        return items;
    // Encoded text: a literal "&" or "=" inside a name or value is %26 / %3D, never a delimiter.
    for (const QString& piece : query.split(u'&')) {
        EncodedItem item;
        const qsizetype equals = piece.indexOf(u'=');
        if (equals < 0) {
            item.name = piece;
        } else {
            item.name = piece.left(equals);
            item.value = piece.mid(equals + 1);
        }
        item.decoded.name = decode(item.name);
        if (item.value)
            item.decoded.value = decode(*item.value);
        items.append(item);
    }
    return items;
}

QList<EncodedItem> encodedRows(const QUrl& url) {
    QList<EncodedItem> items = encodedItems(url);
    items.removeIf([](const EncodedItem& item) { return item.decoded.name.isEmpty(); });
    return items;
}

// What gets stored: `candidate` when it is a URL that reads back as itself, no URL when every
// component is gone, otherwise the URL as it was.
QUrl kept(const QUrl& original, const QUrl& candidate) {
    if (candidate.isEmpty())
        return {};
    if (!candidate.isValid())
        return original;
    const QByteArray encoded = candidate.toEncoded(QUrl::FullyEncoded);
    const QUrl reread = QUrl::fromEncoded(encoded, QUrl::StrictMode);
    if (!reread.isValid() || reread.toEncoded(QUrl::FullyEncoded) != encoded)
        return original;
    return reread;
}

} // namespace

QString fieldText(const QUrl& url, Field field) {
    if (!url.isValid())
        return {};
    switch (field) {
    case Field::url:
        // Pretty form: spaces and non-ASCII text readable, delimiters still encoded, so the
        // text parses back into the same URL.
        return url.toString(QUrl::PrettyDecoded);
    case Field::host:
        return url.host(QUrl::FullyDecoded);
    case Field::scheme:
        return url.scheme();
    case Field::port:
        return url.port() < 0 ? QString() : QString::number(url.port());
    case Field::user:
        return url.userName(QUrl::FullyDecoded);
    case Field::password:
        return url.password(QUrl::FullyDecoded);
    case Field::path:
        return url.path(QUrl::FullyDecoded);
    }
    return {};
}

QUrl withFieldText(const QUrl& url, Field field, const QString& text) {
    const QUrl current = url.isValid() ? url : QUrl();
    QUrl candidate = current;
    switch (field) {
    case Field::url: {
        if (text.isEmpty())
            return {};
        // Tolerant: what the field shows (spaces, non-ASCII text) has to parse again.
        const QUrl parsed(text, QUrl::TolerantMode);
        if (!parsed.isValid())
            return current;
        candidate = parsed;
        break;
    }
    case Field::host:
        candidate.setHost(text.isEmpty() ? QString() : text, QUrl::DecodedMode);
        break;
    case Field::scheme:
        candidate.setScheme(text.isEmpty() ? QString() : text);
        break;
    case Field::port: {
        const std::optional<qint64> port = decimalInteger(text);
        if (!port) {
            candidate.setPort(-1);
            break;
        }
        // A URL cannot hold a negative or too large port: keep the stored one.
        if (*port < 0 || *port > 65535)
            return current;
        candidate.setPort(int(*port));
        break;
    }
    case Field::user:
        candidate.setUserName(text.isEmpty() ? QString() : text, QUrl::DecodedMode);
        break;
    case Field::password:
        candidate.setPassword(text.isEmpty() ? QString() : text, QUrl::DecodedMode);
        break;
    case Field::path:
        candidate.setPath(text, QUrl::DecodedMode);
        break;
    }
    return kept(current, candidate);
}

QList<UrlQueryItem> queryItems(const QUrl& url) {
    QList<UrlQueryItem> items;
    for (const EncodedItem& item : encodedItems(url))
        items.append(item.decoded);
    return items;
}

QList<QueryItem> rows(const QUrl& url) {
    QList<QueryItem> rows;
    for (const EncodedItem& item : encodedRows(url))
        rows.append(QueryItem{rows.size() + 1, item.decoded});
    return rows;
}

QUrl withRows(const QUrl& url, const QList<QueryItem>& rows) {
    const QUrl current = url.isValid() ? url : QUrl();
    const QList<EncodedItem> original = encodedRows(current);
    QStringList pieces;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const UrlQueryItem& item = rows[i].store;
        if (item.name.isEmpty())
            continue;
        const EncodedItem* before = i < original.size() ? &original[i] : nullptr;
        QString piece =
            before && before->decoded.name == item.name ? before->name : encode(item.name);
        if (item.value && !item.value->isEmpty()) {
            piece += u'=';
            piece += before && before->value && before->decoded.value == item.value
                         ? *before->value
                         : encode(*item.value);
        }
        pieces.append(piece);
    }
    QUrl candidate = current;
    // Non-null even when empty: an empty row list keeps the "?".
    candidate.setQuery(pieces.isEmpty() ? QStringLiteral("") : pieces.join(u'&'), QUrl::StrictMode);
    return kept(current, candidate);
}

QUrl withRowName(const QUrl& url, qint64 id, const QString& name) {
    QList<QueryItem> current = rows(url);
    if (id < 1 || id > current.size())
        return url;
    current[id - 1].store.name = name;
    return withRows(url, current);
}

QUrl withRowValue(const QUrl& url, qint64 id, const QString& value) {
    QList<QueryItem> current = rows(url);
    if (id < 1 || id > current.size())
        return url;
    current[id - 1].store.value = value.isEmpty() ? std::nullopt : std::optional(value);
    return withRows(url, current);
}

QUrl withAddedRow(const QUrl& url, qint64* newId) {
    QList<QueryItem> current = rows(url);
    const qint64 id = current.isEmpty() ? 1 : current.last().id + 1;
    current.append(
        QueryItem{id, UrlQueryItem{QStringLiteral("key%1").arg(id), QStringLiteral("value")}});
    const QUrl result = withRows(url, current);
    if (newId)
        *newId = rows(result).size() == id ? id : 0;
    return result;
}

QUrl withLastRowRemoved(const QUrl& url) {
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
