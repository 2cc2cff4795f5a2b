#include "exchange/DeeplinkCollectionFile.h"

#include "exchange/NilDataError.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

DeeplinkCollectionFile::DeeplinkCollectionFile(
    SerialisingDeeplinkRecordCollection deeplinkCollection)
    : deeplinkCollection(std::move(deeplinkCollection)) {}

Result<DeeplinkCollectionFile> DeeplinkCollectionFile::read(const QString& path) {
    const Result<QByteArray> contents = readContents(path);
    if (!contents)
        return ResultError(contents.error());
    Result<SerialisingDeeplinkRecordCollection, DecodingError> record =
        SerialisingDeeplinkRecordCollection::decode(*contents);
    if (!record)
        return ResultError(record.error().errorDescription());
    return DeeplinkCollectionFile(std::move(record).value());
}

Result<QByteArray> DeeplinkCollectionFile::readContents(const QString& path, qint64 limit) {
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    if (!info.exists())
        return ResultError(QStringLiteral("The file \u201C%1\u201D couldn\u2019t be opened because "
                                          "there is no such file.")
                               .arg(fileName));
    if (!info.isFile())
        return ResultError(NilDataError(fileName).errorDescription());
    if (info.size() > limit)
        return ResultError(tooLargeError(fileName, limit));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ResultError(QStringLiteral("The file \u201C%1\u201D couldn\u2019t be opened (%2).")
                               .arg(fileName, file.errorString()));
    // One byte past what is expected, so a file that grew since it was measured is still
    // caught (read() reserves the whole request up front: never ask for the limit itself).
    QByteArray contents = file.read(std::min(info.size(), limit) + 1);
    while (contents.size() <= limit && !file.atEnd()) {
        const QByteArray more = file.read(std::min<qint64>(limit + 1 - contents.size(), 1 << 20));
        if (more.isEmpty())
            break;
        contents += more;
    }
    if (file.error() != QFileDevice::NoError)
        return ResultError(QStringLiteral("The file \u201C%1\u201D couldn\u2019t be read (%2).")
                               .arg(fileName, file.errorString()));
    if (contents.size() > limit)
        return ResultError(tooLargeError(fileName, limit));
    return contents;
}

QString DeeplinkCollectionFile::tooLargeError(const QString& fileName, qint64 limit) {
    return QStringLiteral("The file \u201C%1\u201D is too large to be a collection (more than %2).")
        .arg(fileName, QLocale().formattedDataSize(limit, 0));
}

QStringList DeeplinkCollectionFile::readableContentTypes() {
    return {QStringLiteral("application/json")};
}

QByteArray DeeplinkCollectionFile::fileContents() const {
    return deeplinkCollection.encoded();
}

Result<void> DeeplinkCollectionFile::write(const QString& path) const {
    const QByteArray contents = fileContents();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit()) {
        return ResultError(QStringLiteral("The file \u201C%1\u201D couldn\u2019t be saved (%2).")
                               .arg(QFileInfo(path).fileName(), file.errorString()));
    }
    return {};
}
