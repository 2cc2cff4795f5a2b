#pragma once

#include "platform/Result.h"
#include "updates/AppcastItem.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// Plain value type (no QObject): an update feed, RSS 2.0 with the sparkle: namespace, read by
// QXmlStreamReader. Parsing is pure and safe on any thread.
class Appcast {
public:
    static constexpr char sparkleNamespace[] =
        "http://www.andymatuschak.org/xml-namespaces/sparkle";

    // Reads `xml`. Relative enclosure and notes addresses are resolved against `feedURL`.
    // Items without a version or an https address to download from are left out. Fails (saying
    // why) when the XML is broken, has a document type declaration, is not an RSS channel, or
    // lists items of which none is usable; a channel with no items at all is a valid, empty feed.
    static Result<Appcast> parse(QByteArrayView xml, const QUrl& feedURL = {});

    [[nodiscard]] const QList<AppcastItem>& items() const { return m_items; }
    [[nodiscard]] int skippedItemCount() const { return m_skippedItemCount; }

    // The item with the highest version (the first of equals, in feed order). When
    // `systemVersion` is given, items that need a newer system are passed over.
    [[nodiscard]] std::optional<AppcastItem> newestItem(QStringView systemVersion = {}) const;

private:
    QList<AppcastItem> m_items;
    int m_skippedItemCount = 0;
};
