#pragma once

#include "store/ManagedObject.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>

class DeeplinkCollection;

// A stored deeplink: a title and a URL, owned by one collection.
class Deeplink : public ManagedObject {
    Q_OBJECT
public:
    // The values that live in the store file, kept together so a rollback can restore them.
    struct Values {
        QString title;                        // null = no title
        QString urlText;                      // absolute text of the URL; null = no URL
        std::optional<qint64> timestampMsecs; // milliseconds since the epoch, UTC
        DeeplinkCollection* collection = nullptr;
    };

    [[nodiscard]] QString title() const { return m_values.title; }
    void setTitle(const QString& title);

    // The URL, or an empty QUrl when there is none.
    [[nodiscard]] QUrl url() const;
    // Stores the URL's absolute text; an invalid or empty URL is stored as no URL.
    void setUrl(const QUrl& url);
    // The URL's absolute text as stored (null when there is no URL); what URL searches match.
    [[nodiscard]] const QString& urlString() const { return m_values.urlText; }

    [[nodiscard]] QDateTime timestamp() const;
    void setTimestamp(const QDateTime& timestamp);
    [[nodiscard]] std::optional<qint64> timestampMsecs() const { return m_values.timestampMsecs; }

    [[nodiscard]] DeeplinkCollection* deeplinkCollection() const { return m_values.collection; }
    // Moves the deeplink into `collection` (or out of any collection); the inverse follows.
    void setDeeplinkCollection(DeeplinkCollection* collection);

    // Parses user or file text into a URL; text that is not a valid URL gives an empty QUrl.
    [[nodiscard]] static QUrl urlFromText(const QString& text);

    // The title a newly added deeplink gets; a deeplink still titled so is taken as just added
    // (its editor selects the title to be typed over).
    [[nodiscard]] static QString newTitle() { return QStringLiteral("Title"); }

private:
    friend class ManagedObjectContext;
    friend class SqliteStore;
    Deeplink(ManagedObjectContext* context, qint64 storeId);

    void attachTo(DeeplinkCollection* collection);

    Values m_values;
};
