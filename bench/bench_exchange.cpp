// Exchange figures: importing 1,000 files of 100 deeplinks each through the import routine
// (read, decode, insert, both saves into a real store), exporting one collection of 10,000
// deeplinks to a file, and the largest file accepted (8 MiB, of ordinary deeplinks or of empty
// ones, the most objects a file can ask for) imported into a real store: time and peak memory.
#include "ProcessMemory.h"

#include "exchange/CollectionImporter.h"
#include "exchange/CoreDataObjectSerialiser.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "exchange/ui/ImportDeeplinkCollectionsView.h"
#include "store/DeeplinkQueries.h"
#include "store/FetchedResultsModel.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

// CPU time of the whole process (all threads): on a busy machine wall time mostly measures
// the other processes.
double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Stopwatch {
    double cpuStart = cpuMs();
    QElapsedTimer wall;
    Stopwatch() { wall.start(); }
    [[nodiscard]] double cpu() const { return cpuMs() - cpuStart; }
    [[nodiscard]] double wallMs() const { return double(wall.nsecsElapsed()) / 1e6; }
};

QByteArray collectionFile(int index, int deeplinks) {
    SerialisingDeeplinkRecordCollection record;
    record.title = QStringLiteral("collection %1").arg(index);
    QList<SerialisingDeeplinkRecord> links;
    for (int i = 0; i < deeplinks; ++i)
        links.append({QStringLiteral("Deeplink %1").arg(i),
                      QStringLiteral("myapp://shop/item/%1?ref=bench&n=%2").arg(index).arg(i)});
    record.deeplinks = links;
    return record.encoded();
}

Stopwatch importFiles(const QStringList& paths, ManagedObjectContext& context) {
    ImportDeeplinkCollectionsView view(&context, [] {});
    Stopwatch watch;
    QCoro::waitFor(
        view.importFiles(ImportDeeplinkCollectionsView::FileImportResult::chosen(paths)));
    return watch;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KESTRINE_LOG", "stderr");
    QApplication application(argc, argv);
    QTemporaryDir directory;
    // Optional argument: run only "import", "export", "huge" or "huge-minimal".
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const auto runs = [&](const char* name) {
        return only.isEmpty() || only == QLatin1String(name);
    };

    if (runs("import")) {
        QStringList paths;
        for (int i = 0; i < 1000; ++i) {
            const QString path = directory.filePath(QStringLiteral("c%1.json").arg(i));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", qPrintable(path));
            file.write(collectionFile(i, 100));
            paths.append(path);
        }
        PersistentContainer container(directory.filePath(QStringLiteral("import.sqlite")));
        if (container.loadPersistentStores())
            qFatal("cannot open the store");
        // The window's sidebar query is live while an import runs.
        FetchedResultsModel sidebar(container.viewContext(), DeeplinkQueries::collections({}));
        Stopwatch readWatch;
        QList<QByteArray> contents;
        for (const QString& path : paths) {
            Result<QByteArray> data = DeeplinkCollectionFile::readContents(path);
            if (!data)
                qFatal("cannot read %s", qPrintable(data.error()));
            contents.append(std::move(data).value());
        }
        const double readCpu = readWatch.cpu();
        Stopwatch decodeWatch;
        const auto decoded = CoreDataObjectSerialiser::decode(contents);
        const double decodeCpu = decodeWatch.cpu();
        if (!decoded)
            qFatal("cannot decode: %s", qPrintable(decoded.error().errorDescription()));
        const auto& records = *decoded;
        {
            ManagedObjectContext scratch;
            FetchedResultsModel scratchSidebar(&scratch, DeeplinkQueries::collections({}));
            Stopwatch insertWatch;
            CoreDataObjectSerialiser::insert(records, scratch, QDateTime::currentDateTimeUtc(),
                                             [] { return qRgb(255, 0, 0); });
            const double insertCpu = insertWatch.cpu();
            PersistentContainer phases(directory.filePath(QStringLiteral("phases.sqlite")));
            if (phases.loadPersistentStores())
                qFatal("cannot open the store");
            CoreDataObjectSerialiser::insert(records, *phases.viewContext(),
                                             QDateTime::currentDateTimeUtc(),
                                             [] { return qRgb(255, 0, 0); });
            Stopwatch saveWatch;
            if (phases.viewContext()->save().kind != SaveOutcome::Kind::Saved)
                qFatal("cannot save");
            std::printf("  phases: read %.0f ms, decode %.0f ms, insert %.0f ms, save %.0f ms "
                        "(CPU)\n",
                        readCpu, decodeCpu, insertCpu, saveWatch.cpu());
        }
        const Stopwatch watch = importFiles(paths, *container.viewContext());
        std::printf("import 1,000 files x 100 deeplinks: %.0f ms CPU, %.0f ms wall (target <= "
                    "2000), %lld collections, %lld deeplinks\n",
                    watch.cpu(), watch.wallMs(),
                    qint64(container.viewContext()->collections().size()),
                    qint64(container.viewContext()->deeplinks().size()));
    }

    if (runs("export")) {
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        collection->setName(QStringLiteral("Big"));
        for (int i = 0; i < 10000; ++i) {
            Deeplink* deeplink = context.insertDeeplink();
            deeplink->setTitle(QStringLiteral("Deeplink %1").arg(i));
            deeplink->setUrlString(QStringLiteral("myapp://shop/item/%1?ref=bench").arg(i));
            collection->addDeeplink(deeplink);
        }
        const QString path = directory.filePath(QStringLiteral("export.json"));
        double best = 1e9;
        for (int run = 0; run < 5; ++run) {
            Stopwatch watch;
            if (!DeeplinkCollectionFile(CoreDataObjectSerialiser::record(*collection)).write(path))
                qFatal("cannot export");
            best = std::min(best, watch.cpu());
        }
        std::printf("export 10,000 deeplinks (record, encode, atomic write): %.1f ms CPU best of 5 "
                    "(target <= 100), %lld bytes\n",
                    best, QFileInfo(path).size());
    }

    for (const char* shape : {"huge", "huge-minimal"}) {
        if (!runs(shape))
            continue;
        // The largest single file accepted: deeplinks with a title and a URL, or empty
        // deeplink objects (the most objects an import accepts).
        const bool minimal = qstrcmp(shape, "huge-minimal") == 0;
        const auto make = [&](int count) {
            if (!minimal)
                return collectionFile(0, count);
            SerialisingDeeplinkRecordCollection record;
            record.deeplinks = QList<SerialisingDeeplinkRecord>(count);
            return record.encoded();
        };
        const double perLink = make(1000).size() / 1000.0;
        int count = int(std::min<double>(DeeplinkCollectionFile::maximumFileSize / perLink,
                                         CollectionImporter::maximumImportDeeplinks));
        QByteArray huge = make(count);
        while (huge.size() > DeeplinkCollectionFile::maximumFileSize)
            huge = make(count -= 100);
        const QString path = directory.filePath(QStringLiteral("%1.json").arg(shape));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(huge);
        file.close();
        const qsizetype bytes = huge.size();
        huge = QByteArray();
        // What making the file left to the allocator is not the import's.
        ProcessMemory::releaseFreed();

        PersistentContainer container(directory.filePath(QStringLiteral("%1.sqlite").arg(shape)));
        if (container.loadPersistentStores())
            qFatal("cannot open the store");
        // The window's sidebar query is live while an import runs.
        FetchedResultsModel sidebar(container.viewContext(), DeeplinkQueries::collections({}));
        const bool peakReset = ProcessMemory::resetPeak();
        const long before = ProcessMemory::residentKilobytes();
        const Stopwatch watch = importFiles({path}, *container.viewContext());
        const long peak = ProcessMemory::peakKilobytes();
        std::printf("%s file %.1f MB, %d deeplinks: whole import %.0f ms CPU, %.0f ms wall; "
                    "resident %ld MB before, peak %ld MB (target <= 120)%s, %ld MB after\n",
                    shape, bytes / 1e6, count, watch.cpu(), watch.wallMs(), before / 1024,
                    peak / 1024, peakReset ? "" : " since the start",
                    ProcessMemory::residentKilobytes() / 1024);
    }
    return 0;
}
