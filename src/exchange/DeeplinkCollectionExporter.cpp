#include "exchange/DeeplinkCollectionExporter.h"

#include "exchange/CoreDataObjectSerialiser.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "platform/StandardOutput.h"
#include "store/DeeplinkCollection.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>

namespace {

DeeplinkCollectionExporter::Outcome write(const DeeplinkCollectionFile& document,
                                          const QString& path) {
    using Outcome = DeeplinkCollectionExporter::Outcome;
    const Result<void> written = document.write(path);
    if (!written)
        return Outcome{.kind = Outcome::Kind::Failed, .error = written.error()};
    return Outcome{.kind = Outcome::Kind::Written, .path = path};
}

} // namespace

QString DeeplinkCollectionExporter::Outcome::text() const {
    switch (kind) {
    case Kind::Cancelled:
        return {};
    case Kind::Written:
        return QUrl::fromLocalFile(path).toString();
    case Kind::Failed:
        return QStringLiteral("Export failed: ") + error;
    }
    return {};
}

DeeplinkCollectionExporter::Outcome
DeeplinkCollectionExporter::exportCollection(const DeeplinkCollection& collection,
                                             const SaveDialog& dialog) {
    // The document is taken before the dialog runs its own event loop: what is exported is
    // the collection as it was when the user asked.
    const DeeplinkCollectionFile document(CoreDataObjectSerialiser::record(collection));
    QString directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (directory.isEmpty() || !QDir(directory).exists())
        directory = QDir::homePath();
    // Without a name only the directory is proposed (the path ends with a separator).
    const QString proposedPath =
        QDir(directory).absolutePath() + QLatin1Char('/') + proposedFileName(collection);

    const std::optional<QString> chosen = dialog(proposedPath);
    if (!chosen || chosen->isEmpty())
        return {};
    const Outcome outcome = write(document, *chosen);
    StandardOutput::printLine(outcome.text());
    return outcome;
}

DeeplinkCollectionExporter::Outcome
DeeplinkCollectionExporter::exportCollection(const DeeplinkCollection& collection,
                                             const QString& path) {
    return write(DeeplinkCollectionFile(CoreDataObjectSerialiser::record(collection)), path);
}

QString DeeplinkCollectionExporter::proposedFileName(const DeeplinkCollection& collection) {
    QString name = collection.name().trimmed();
    if (name.isEmpty())
        return {};
    // A name is not a path: "Staging/Prod" must not point into a directory "Staging".
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char('\\'), QLatin1Char('-'));
    name.remove(QChar(0));
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name + QStringLiteral(".json");
}
