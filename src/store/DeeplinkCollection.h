#pragma once

#include "store/Environment.h"
#include "store/ManagedObject.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

class Deeplink;

// A stored, named and coloured collection of deeplinks.
class DeeplinkCollection : public ManagedObject {
    Q_OBJECT
public:
    struct Values {
        QUuid uid;     // null = no uid
        QString name;  // null = no name
        QString emoji; // null = no emoji
        bool isPinned = false;
        double colorR = 0;
        double colorG = 0;
        double colorB = 0;
        double colorA = 0;
        std::optional<qint64> timestampMsecs;
        QList<Environment> environments;
        QString activeEnvironment; // a name in `environments`; empty = none
    };

    [[nodiscard]] QUuid uid() const { return m_values.uid; }
    void setUid(const QUuid& uid);
    [[nodiscard]] QString name() const { return m_values.name; }
    void setName(const QString& name);
    [[nodiscard]] QString emoji() const { return m_values.emoji; }
    void setEmoji(const QString& emoji);
    [[nodiscard]] bool isPinned() const { return m_values.isPinned; }
    void setIsPinned(bool isPinned);

    [[nodiscard]] double colorR() const { return m_values.colorR; }
    [[nodiscard]] double colorG() const { return m_values.colorG; }
    [[nodiscard]] double colorB() const { return m_values.colorB; }
    [[nodiscard]] double colorA() const { return m_values.colorA; }
    void setColor(double red, double green, double blue, double alpha);

    [[nodiscard]] QDateTime timestamp() const;
    void setTimestamp(const QDateTime& timestamp);
    [[nodiscard]] std::optional<qint64> timestampMsecs() const { return m_values.timestampMsecs; }

    // The named sets of variable values its deeplinks fire with, in the order the user keeps
    // them, and the one in use.
    [[nodiscard]] const QList<Environment>& environments() const { return m_values.environments; }
    void setEnvironments(const QList<Environment>& environments);
    [[nodiscard]] const QString& activeEnvironment() const { return m_values.activeEnvironment; }
    void setActiveEnvironment(const QString& name);
    // The active environment's variables; none when no environment of that name is left.
    [[nodiscard]] QList<Variable> activeVariables() const;

    // The collection's deeplinks, in no particular order. A collection read from the store file
    // reads its deeplinks on the first call: a library is opened without them.
    [[nodiscard]] const QList<Deeplink*>& deeplinks() const;
    // Known without reading the deeplinks.
    [[nodiscard]] qint64 deeplinksCount() const {
        return m_deeplinksLoaded ? m_deeplinks.size() : m_storedCount;
    }
    [[nodiscard]] bool deeplinksLoaded() const { return m_deeplinksLoaded; }
    void addDeeplink(Deeplink* deeplink);

    // The name case-folded and stripped of diacritics, for "contains[cd]" filters.
    [[nodiscard]] const QString& foldedName() const { return m_foldedName; }

private:
    friend class ManagedObjectContext;
    friend class SqliteStore;
    friend class StoreMerge;
    friend class Deeplink;
    DeeplinkCollection(ManagedObjectContext* context, qint64 storeId);

    void restore(const Values& values);

    Values m_values;
    QString m_foldedName;
    QList<Deeplink*> m_deeplinks;
    // New collections have all their deeplinks in memory from the start.
    bool m_deeplinksLoaded = true;
    // How many deeplinks the file holds for it, while they are not loaded.
    qint64 m_storedCount = 0;
};
