#pragma once

#include "store/ManagedObject.h"

#include <QDateTime>
#include <QString>

#include <optional>

class DeeplinkCollection;

// A stored deeplink: a title and a URL, owned by one collection.
class Deeplink : public ManagedObject {
    Q_OBJECT
public:
    // The values that live in the store file, kept together so a rollback can restore them.
    struct Values {
        QString title;                        // null = no title
        QString urlText;                      // text of the URL; null = no URL
        std::optional<qint64> timestampMsecs; // milliseconds since the epoch, UTC
        DeeplinkCollection* collection = nullptr;
    };

    [[nodiscard]] QString title() const { return m_values.title; }
    void setTitle(const QString& title);

    // The URL's text as stored (null when there is no URL): what is shown, searched, exported
    // and fired, byte for byte.
    [[nodiscard]] const QString& urlString() const { return m_values.urlText; }
    // Stores `text` as the URL, with only the characters that cannot stand in a URL
    // percent-encoded (see UrlText); empty text, or text that is no URL, is stored as no URL.
    void setUrlString(const QString& text);

    [[nodiscard]] QDateTime timestamp() const;
    void setTimestamp(const QDateTime& timestamp);
    [[nodiscard]] std::optional<qint64> timestampMsecs() const { return m_values.timestampMsecs; }

    [[nodiscard]] DeeplinkCollection* deeplinkCollection() const { return m_values.collection; }
    // Moves the deeplink into `collection` (or out of any collection); the inverse follows.
    void setDeeplinkCollection(DeeplinkCollection* collection);

    // The title a newly added deeplink gets; a deeplink still titled so is taken as just added
    // (its editor selects the title to be typed over).
    [[nodiscard]] static QString newTitle() { return QStringLiteral("Title"); }

private:
    friend class ManagedObjectContext;
    friend class SqliteStore;
    friend class StoreMerge;
    Deeplink(ManagedObjectContext* context, qint64 storeId);

    void attachTo(DeeplinkCollection* collection);

    Values m_values;
};
