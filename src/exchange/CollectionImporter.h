#pragma once

#include "exchange/CoreDataObjectSerialiser.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <QCoro/QCoroTask>

class ManagedObjectContext;

// Plain class (no QObject, no widgets) that imports exchange files into the store, all or
// nothing: every file is measured, read and decoded off the GUI thread before anything is
// created, and an import whose save fails is taken out of the context again. Failures are
// logged and returned; the caller only presents them.
class CollectionImporter {
public:
    // How an import ended.
    struct Outcome {
        enum class Kind {
            Imported, // every file's collection is stored
            Refused,  // a file was too large, unreadable or no collection: nothing was created
            Undone,   // the collections were created but could not be saved, and are gone again
        };
        Kind kind = Kind::Imported;
        QString error;    // Refused, Undone: what went wrong
        QList<QUuid> ids; // Imported: the new collections', in the files' order
    };

    // All chosen files together may hold at most this much: each file is read into memory
    // whole before anything is decoded, and the objects are made on the GUI thread.
    static constexpr qint64 maximumImportSize = 16 * 1024 * 1024;
    // And at most this many deeplinks: a file of empty deeplinks ("{}") within the size limit
    // would otherwise make a million objects, hundreds of megabytes and a long-frozen window.
    static constexpr qsizetype maximumImportDeeplinks = 100'000;

    CollectionImporter() = delete;

    // Imports one collection per file of `paths`, in order, into `context` and saves it.
    // `color` gives each new collection's colour (a random palette colour when empty). With
    // `replace`, the collections that have a new one's name go in the same save (what was
    // pending is saved first, so undoing a failed import undoes nothing else). If the context
    // is gone by the time the files are read, nothing happens.
    [[nodiscard]] static QCoro::Task<Outcome>
    importFiles(QStringList paths, QPointer<ManagedObjectContext> context,
                CoreDataObjectSerialiser::ColorChooser color = {}, bool replace = false);
};
