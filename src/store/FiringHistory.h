#pragma once

#include "platform/FiringOutcome.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

class SqliteStore;

// One row of the History: when a URL was fired, from which deeplink, at which destination, and
// what the firing did.
struct FiringRecord {
    qint64 id = 0; // given by the store; 0 until recorded
    QDateTime time{};
    QString title{};       // the deeplink's; "" for a URL typed into Open URL
    QString url{};         // as fired
    QString destination{}; // the destination's name
    FiringOutcome outcome{};

    bool operator==(const FiringRecord&) const = default;
};
Q_DECLARE_METATYPE(FiringRecord)

// QObject over the store file's table of firings: the last `capacity` firings, newest first.
// It shares the store's connection, so a recorded firing does not make the main context read
// every row again as another process's write would.
class FiringHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int capacity = 1000;

    explicit FiringHistory(SqliteStore* store, QObject* parent = nullptr);

    // Appends `record` and gives it its id; the oldest rows beyond `capacity` go. A file that
    // refuses the write (busy past the store's timeout, read-only) leaves the history as it was
    // and says why in `error`.
    bool record(FiringRecord& record, QString* error = nullptr);
    // Screenshots of firings that leave the history are deleted when they lie in `directory`
    // (the window's own; a CLI run's pictures elsewhere are the user's): without it they would
    // pile up for ever.
    void setScreenshotDirectory(const QString& directory) { m_screenshotDirectory = directory; }
    // The newest `limit` firings, newest first.
    [[nodiscard]] QList<FiringRecord> latest(int limit = capacity) const;

    // Every column the history reads (the store checks a file of its version has them).
    [[nodiscard]] static QString selectStatement();

Q_SIGNALS:
    void recorded(const FiringRecord& record);

private:
    SqliteStore* m_store = nullptr;
    QString m_screenshotDirectory;
};
