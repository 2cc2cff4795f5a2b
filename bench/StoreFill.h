#pragma once

#include "store/SqliteStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QUuid>

// Writes a library of `collections` x `deeplinksEach` straight into the store file at `path`
// (created with the store's own schema), in one transaction through two prepared statements:
// a million deeplinks take seconds, and the benchmark that fills costs next to no memory.
// Every tenth collection is pinned; names and URLs are unique per row.
inline void fillStore(const QString& path, int collections, int deeplinksEach) {
    {
        SqliteStore store(path);
        if (store.open())
            qFatal("cannot create the store");
    }
    const QString connection = QStringLiteral("fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open the store to fill it");
        db.transaction();
        QSqlQuery collection(db);
        collection.prepare(QStringLiteral("INSERT INTO collections (id, uid, name, emoji, "
                                          "isPinned, colorR, colorG, colorB, colorA, timestamp) "
                                          "VALUES (?, ?, ?, '🚀', ?, 0.2, 0.4, 0.6, 1, ?)"));
        QSqlQuery deeplink(db);
        deeplink.prepare(QStringLiteral("INSERT INTO deeplinks (id, collection_id, title, url, "
                                        "timestamp) VALUES (?, ?, ?, ?, ?)"));
        qint64 deeplinkId = 1;
        for (int c = 1; c <= collections; ++c) {
            collection.addBindValue(c);
            collection.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            collection.addBindValue(QStringLiteral("Collection number %1 Ünïcödé").arg(c));
            collection.addBindValue(c % 10 == 0 ? 1 : 0);
            collection.addBindValue(1'700'000'000'000LL + c * 1000);
            if (!collection.exec())
                qFatal("cannot insert a collection");
            for (int d = 0; d < deeplinksEach; ++d) {
                deeplink.addBindValue(deeplinkId);
                deeplink.addBindValue(c);
                deeplink.addBindValue(QStringLiteral("Deeplink %1 of %2").arg(d).arg(c));
                deeplink.addBindValue(
                    QStringLiteral("myapp://products/%1/details?ref=bench&item=%2").arg(c).arg(d));
                deeplink.addBindValue(1'700'000'000'000LL + deeplinkId);
                if (!deeplink.exec())
                    qFatal("cannot insert a deeplink");
                ++deeplinkId;
            }
        }
        if (!db.commit())
            qFatal("cannot commit the library");
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}
