#include "exchange/CollectionImporter.h"

#include "exchange/DeeplinkCollectionFile.h"
#include "platform/AppIdentity.h"
#include "platform/Logger.h"
#include "store/ColorPalette.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"

#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoro/QCoroFuture>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const Logger& coreDataLog() {
    static const Logger log(QString::fromLatin1(AppIdentity::bundleIdentifier),
                            QStringLiteral("coredata"));
    return log;
}

// A colour of the collection palette, at random.
QRgb randomPaletteColor() {
    const QList<QRgb>& palette = ColorPalette::colors();
    return palette.at(QRandomGenerator::global()->bounded(int(palette.size())));
}

QString tooLargeTogether() {
    return QStringLiteral("The chosen files are too large to import together (more than %1).")
        .arg(QLocale().formattedDataSize(CollectionImporter::maximumImportSize, 0));
}

QString tooManyDeeplinks() {
    return QStringLiteral("The chosen files hold too many deeplinks to import (more than %1).")
        .arg(QLocale().toString(CollectionImporter::maximumImportDeeplinks));
}

// Gives the pages that decoding freed back to the system. The JSON document of a large file is
// several times its size and is freed on this worker thread, whose allocator arena would
// otherwise keep those pages while the objects are made on the GUI thread: that is where the
// import's peak came from.
void releaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// The records of every file, or the description of the first failure.
using Prepared = Result<QList<SerialisingDeeplinkRecordCollection>>;

Prepared readAndDecode(const QStringList& paths) {
    // Measured first, so an oversized choice is refused before anything is read.
    qint64 total = 0;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.size() > DeeplinkCollectionFile::maximumFileSize)
            return ResultError(DeeplinkCollectionFile::tooLargeError(info.fileName()));
        total += info.size();
    }
    if (total > CollectionImporter::maximumImportSize)
        return ResultError(tooLargeTogether());
    total = 0;
    QList<QByteArray> contents;
    for (const QString& path : paths) {
        Result<QByteArray> data = DeeplinkCollectionFile::readContents(path);
        if (!data)
            return ResultError(data.error());
        total += data->size();
        if (total > CollectionImporter::maximumImportSize)
            return ResultError(tooLargeTogether()); // the files grew while they were read
        contents.append(std::move(data).value());
    }
    Result<QList<SerialisingDeeplinkRecordCollection>, DecodingError> records =
        CoreDataObjectSerialiser::decode(contents);
    if (!records) {
        DecodingError& error = records.error();
        if (error.index() >= 0 && error.index() < paths.size())
            error.setFileName(QFileInfo(paths.at(error.index())).fileName());
        return ResultError(error.errorDescription());
    }
    qsizetype deeplinks = 0;
    for (const SerialisingDeeplinkRecordCollection& record : std::as_const(*records))
        deeplinks += record.deeplinks ? record.deeplinks->size() : 0;
    if (deeplinks > CollectionImporter::maximumImportDeeplinks)
        return ResultError(tooManyDeeplinks());
    return std::move(records).value();
}

Prepared prepare(const QStringList& paths) {
    Prepared prepared = readAndDecode(paths);
    // The file contents are gone by now (readAndDecode's locals).
    releaseFreedMemory();
    return prepared;
}

} // namespace

QCoro::Task<CollectionImporter::Outcome>
CollectionImporter::importFiles(QStringList paths, QPointer<ManagedObjectContext> context,
                                CoreDataObjectSerialiser::ColorChooser color, bool replace) {
    // Off the GUI thread: a large file must not stall the window while it is read and parsed.
    const Prepared prepared = co_await QtConcurrent::run(&prepare, paths);
    if (!prepared) {
        coreDataLog().error(u"Failed to save core data context cause: %{public}@",
                            prepared.error());
        co_return Outcome{Outcome::Kind::Refused, prepared.error(), {}};
    }
    if (!context)
        co_return Outcome{Outcome::Kind::Refused, QStringLiteral("The store is closed."), {}};

    if (replace && context->hasChanges()) {
        if (const SaveOutcome pending = context->save(); pending.kind != SaveOutcome::Kind::Saved)
            co_return Outcome{Outcome::Kind::Refused, pending.reason, {}};
    }
    const QList<DeeplinkCollection*> created = CoreDataObjectSerialiser::insert(
        *prepared, *context, QDateTime::currentDateTimeUtc(), color ? color : &randomPaletteColor);
    if (replace) {
        QSet<QString> names;
        for (const DeeplinkCollection* collection : created)
            names.insert(collection->name());
        for (DeeplinkCollection* collection : context->collections()) {
            if (names.contains(collection->name()) && !created.contains(collection))
                context->deleteObject(collection);
        }
    }
    const SaveOutcome saved = context->save();
    // A store busy with another process keeps the import pending for the retried save.
    if (saved.kind != SaveOutcome::Kind::Failed) {
        QList<QUuid> ids;
        for (const DeeplinkCollection* collection : created)
            ids.append(collection->uid());
        co_return Outcome{Outcome::Kind::Imported, {}, ids};
    }
    // Nothing of the import may stay half-stored or pending: take exactly the imported
    // collections (and their deeplinks) out again, leaving any other pending edits as they
    // were, and keep running.
    coreDataLog().error(u"Failed to save core data context cause: %{public}@", saved.reason);
    if (replace) {
        context->rollback(); // nothing else was pending: the replaced collections come back
    } else {
        for (DeeplinkCollection* collection : created)
            context->deleteObject(collection);
    }
    coreDataLog().info(u"Import undone, collections removed: %{public}ld", qint64(created.size()));
    co_return Outcome{Outcome::Kind::Undone, saved.reason, {}};
}
