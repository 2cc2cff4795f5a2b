#include "updates/Appcast.h"

#include "updates/VersionComparator.h"

#include <QXmlStreamReader>

namespace {

using namespace Qt::StringLiterals;

bool isWebURL(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() && url.scheme() == u"https"_s;
}

// An https address from the feed, or an empty URL when it is anything else (http, file:, custom
// schemes): the address ends up in the browser, so the feed must not pick what opens it, and a
// download over plain http could be swapped on the way.
QUrl webURL(QStringView text, const QUrl& feedURL) {
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty())
        return {};
    QUrl url(trimmed, QUrl::StrictMode);
    if (url.isRelative() && feedURL.isValid())
        url = feedURL.resolved(url);
    return isWebURL(url) ? url : QUrl();
}

class Reader {
public:
    Reader(QByteArrayView xml, const QUrl& feedURL)
        : m_xml(QByteArray::fromRawData(xml.data(), xml.size()))
        , m_feedURL(feedURL)
        , m_sparkle(QString::fromLatin1(Appcast::sparkleNamespace)) {}

    // Fills `items`; returns the error text, empty on success.
    QString read(QList<AppcastItem>& items, int& skipped) {
        // Entities declared in a DTD can grow a small feed into gigabytes; no feed needs one, so
        // it is refused before anything is read past it.
        while (!m_xml.atEnd() && m_xml.readNext() != QXmlStreamReader::StartElement) {
            if (m_xml.tokenType() == QXmlStreamReader::DTD)
                return u"The feed has a document type declaration, which Kestrine does not read."_s;
        }
        if (m_xml.tokenType() != QXmlStreamReader::StartElement)
            return xmlError(u"The feed is empty."_s);
        if (m_xml.name() != u"rss"_s || !m_xml.namespaceUri().isEmpty())
            return u"The feed is not an RSS document (its root element is <%1>)."_s.arg(
                m_xml.qualifiedName());

        bool sawChannel = false;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"channel"_s && m_xml.namespaceUri().isEmpty() && !sawChannel) {
                sawChannel = true;
                readChannel(items, skipped);
            } else {
                m_xml.skipCurrentElement();
            }
        }
        // Whatever follows the root (another root, stray text) must still be well-formed.
        while (!m_xml.atEnd() && !m_xml.hasError())
            m_xml.readNext();
        if (m_xml.hasError())
            return xmlError({});
        if (!sawChannel)
            return u"The feed has no channel."_s;
        if (items.isEmpty() && skipped > 0)
            return u"None of the %1 items in the feed has a version and a download address."_s.arg(
                skipped);
        return {};
    }

private:
    QString xmlError(const QString& fallback) const {
        if (!m_xml.hasError())
            return fallback;
        return u"The feed is not well-formed XML (line %1, column %2: %3)."_s.arg(
            QString::number(m_xml.lineNumber()), QString::number(m_xml.columnNumber()),
            m_xml.errorString());
    }

    bool isSparkle(QStringView name) const {
        return m_xml.namespaceUri() == m_sparkle && m_xml.name() == name;
    }

    bool isPlain(QStringView name) const {
        return m_xml.namespaceUri().isEmpty() && m_xml.name() == name;
    }

    QString text() {
        // Stray markup inside a field (unescaped HTML in a description) is read through.
        return m_xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }

    void readChannel(QList<AppcastItem>& items, int& skipped) {
        while (m_xml.readNextStartElement()) {
            if (!isPlain(u"item")) {
                m_xml.skipCurrentElement();
                continue;
            }
            AppcastItem item = readItem();
            if (m_xml.hasError())
                return;
            if (item.version.isEmpty() || item.downloadURL.isEmpty())
                ++skipped;
            else
                items.append(std::move(item));
        }
    }

    AppcastItem readItem() {
        AppcastItem item;
        QUrl link;
        QString enclosureVersion;
        QString enclosureShortVersion;
        while (m_xml.readNextStartElement()) {
            if (isPlain(u"title")) {
                item.title = text();
            } else if (isPlain(u"link")) {
                link = webURL(text(), m_feedURL);
            } else if (isPlain(u"description")) {
                item.releaseNotes = text();
            } else if (isPlain(u"enclosure")) {
                const QXmlStreamAttributes attributes = m_xml.attributes();
                if (item.downloadURL.isEmpty())
                    item.downloadURL = webURL(attributes.value(u"url"_s), m_feedURL);
                enclosureVersion = attributes.value(m_sparkle, u"version"_s).trimmed().toString();
                enclosureShortVersion =
                    attributes.value(m_sparkle, u"shortVersionString"_s).trimmed().toString();
                m_xml.skipCurrentElement();
            } else if (isSparkle(u"version")) {
                item.version = text();
            } else if (isSparkle(u"shortVersionString")) {
                item.shortVersionString = text();
            } else if (isSparkle(u"releaseNotesLink")) {
                item.releaseNotesURL = webURL(text(), m_feedURL);
            } else if (isSparkle(u"minimumSystemVersion")) {
                item.minimumSystemVersion = text();
            } else {
                m_xml.skipCurrentElement();
            }
        }
        // Older feeds carry the versions on the enclosure only.
        if (item.version.isEmpty())
            item.version = enclosureVersion;
        if (item.shortVersionString.isEmpty())
            item.shortVersionString = enclosureShortVersion;
        if (item.downloadURL.isEmpty())
            item.downloadURL = link;
        return item;
    }

    QXmlStreamReader m_xml;
    QUrl m_feedURL;
    QString m_sparkle;
};

} // namespace

Result<Appcast> Appcast::parse(QByteArrayView xml, const QUrl& feedURL) {
    Appcast appcast;
    Reader reader(xml, feedURL);
    const QString error = reader.read(appcast.m_items, appcast.m_skippedItemCount);
    if (!error.isEmpty())
        return ResultError(error);
    return appcast;
}

std::optional<AppcastItem> Appcast::newestItem(QStringView systemVersion) const {
    const AppcastItem* newest = nullptr;
    for (const AppcastItem& item : m_items) {
        if (!systemVersion.isEmpty() && !item.minimumSystemVersion.isEmpty() &&
            VersionComparator::compare(item.minimumSystemVersion, systemVersion) > 0)
            continue;
        if (!newest || VersionComparator::compare(item.version, newest->version) > 0)
            newest = &item;
    }
    if (!newest)
        return std::nullopt;
    return *newest;
}
