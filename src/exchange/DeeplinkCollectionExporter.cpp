#include "exchange/DeeplinkCollectionExporter.h"

#include "exchange/CoreDataObjectSerialiser.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "platform/AppError.h"
#include "store/DeeplinkCollection.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>

#include <cstdio>

namespace {

DeeplinkCollectionExporter::Outcome write(const DeeplinkCollectionFile& document,
                                          const QString& path) {
    using Outcome = DeeplinkCollectionExporter::Outcome;
    try {
        document.write(path);
        return Outcome{.kind = Outcome::Kind::Written, .path = path};
    } catch (const std::exception& error) {
        return Outcome{.kind = Outcome::Kind::Failed, .error = localizedDescription(error)};
    }
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
DeeplinkCollectionExporter::exportCollection(const DeeplinkCollection& collection, QWidget* parent,
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

    const std::optional<QString> chosen = dialog(parent, proposedPath);
    if (!chosen || chosen->isEmpty())
        return {};
    const Outcome outcome = write(document, *chosen);
    std::fprintf(stdout, "%s\n", outcome.text().toUtf8().constData());
    std::fflush(stdout);
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
