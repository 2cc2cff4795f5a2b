#include "store/FiringHistory.h"

#include "store/SqliteStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QVariant nullable(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QVariant nullable(const std::optional<qint64>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<qint64>());
}

std::optional<qint64> optionalInteger(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toLongLong();
}

} // namespace

FiringHistory::FiringHistory(SqliteStore* store, QObject* parent)
    : QObject(parent)
    , m_store(store) {}

QString FiringHistory::selectStatement() {
    return QStringLiteral("SELECT id, time, title, url, destination, result, handler, handlerName, "
                          "launch, totalTimeMs, processId, screenshot, message, notes FROM "
                          "firings");
}

bool FiringHistory::record(FiringRecord& record, QString* error) {
    const auto fail = [error](const QSqlQuery& query) {
        if (error)
            *error = query.lastError().text();
        return false;
    };
    if (!m_store) {
        if (error)
            *error = QStringLiteral("no store");
        return false;
    }
    const QSqlDatabase& database = m_store->m_database;
    // The insert and the pruning land together, or neither does. Never inside a save: saves
    // begin and end within one call on this thread.
    QSqlQuery begin(database);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(begin);
    QSqlQuery insert(database);
    insert.prepare(QStringLiteral("INSERT INTO firings (time, title, url, destination, result, "
                                  "handler, handlerName, launch, totalTimeMs, processId, "
                                  "screenshot, message, notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                  "?, ?, ?, ?)"));
    const FiringOutcome& outcome = record.outcome;
    insert.addBindValue(record.time.toMSecsSinceEpoch());
    insert.addBindValue(nullable(record.title));
    insert.addBindValue(nullable(record.url));
    insert.addBindValue(nullable(record.destination));
    insert.addBindValue(FiringOutcome::resultName(outcome.result));
    insert.addBindValue(nullable(outcome.handler));
    insert.addBindValue(nullable(outcome.handlerName));
    insert.addBindValue(nullable(FiringOutcome::launchName(outcome.launch)));
    insert.addBindValue(nullable(outcome.totalTimeMs));
    insert.addBindValue(nullable(outcome.processId));
    insert.addBindValue(nullable(outcome.screenshot));
    insert.addBindValue(nullable(outcome.message));
    // A JSON array: a note may hold any character, line breaks included.
    insert.addBindValue(
        outcome.notes.isEmpty()
            ? QVariant(QMetaType::fromType<QString>())
            : QVariant(QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(outcome.notes))
                                             .toJson(QJsonDocument::Compact))));
    QSqlQuery leaving(database);
    leaving.prepare(QStringLiteral("SELECT screenshot FROM firings WHERE screenshot IS NOT NULL "
                                   "AND id <= (SELECT id FROM firings ORDER BY id DESC LIMIT 1 "
                                   "OFFSET ?)"));
    leaving.addBindValue(capacity);
    QSqlQuery prune(database);
    prune.prepare(QStringLiteral("DELETE FROM firings WHERE id <= (SELECT id FROM firings ORDER BY "
                                 "id DESC LIMIT 1 OFFSET ?)"));
    prune.addBindValue(capacity);
    QSqlQuery commit(database);
    QStringList screenshots;
    const bool read = insert.exec() && leaving.exec();
    while (read && leaving.next())
        screenshots.append(leaving.value(0).toString());
    if (!read || !prune.exec() || !commit.exec(QStringLiteral("COMMIT"))) {
        const QSqlQuery& failed = insert.lastError().isValid()    ? insert
                                  : leaving.lastError().isValid() ? leaving
                                  : prune.lastError().isValid()   ? prune
                                                                  : commit;
        fail(failed);
        QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    record.id = insert.lastInsertId().toLongLong();
    if (!m_screenshotDirectory.isEmpty()) {
        const QString own = QDir(m_screenshotDirectory).absolutePath();
        for (const QString& path : std::as_const(screenshots)) {
            if (QFileInfo(path).absolutePath() == own)
                QFile::remove(path);
        }
    }
    Q_EMIT recorded(record);
    return true;
}

QList<FiringRecord> FiringHistory::latest(int limit) const {
    QList<FiringRecord> records;
    if (!m_store)
        return records;
    QSqlQuery query(m_store->m_database);
    query.setForwardOnly(true);
    query.prepare(selectStatement() + QStringLiteral(" ORDER BY id DESC LIMIT ?"));
    query.addBindValue(limit);
    if (!query.exec())
        return records;
    while (query.next()) {
        FiringRecord record{.id = query.value(0).toLongLong(),
                            .time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong()),
                            .title = query.value(2).toString(),
                            .url = query.value(3).toString(),
                            .destination = query.value(4).toString()};
        FiringOutcome& outcome = record.outcome;
        // A result this build does not know (written by a newer one) reads as a failure.
        outcome.result = FiringOutcome::resultNamed(query.value(5).toString())
                             .value_or(FiringOutcome::Result::Failed);
        outcome.handler = query.value(6).toString();
        outcome.handlerName = query.value(7).toString();
        outcome.launch = FiringOutcome::launchNamed(query.value(8).toString());
        outcome.totalTimeMs = optionalInteger(query.value(9));
        outcome.processId = optionalInteger(query.value(10));
        outcome.screenshot = query.value(11).toString();
        outcome.message = query.value(12).toString();
        for (const QJsonValue& note :
             QJsonDocument::fromJson(query.value(13).toString().toUtf8()).array())
            outcome.notes.append(note.toString());
        records.append(record);
    }
    return records;
}

#include "moc_FiringHistory.cpp"
