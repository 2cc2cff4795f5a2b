#include "exchange/DeeplinkCollectionFile.h"

#include "exchange/NilDataError.h"
#include "platform/AppIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

namespace {

AppError fileError(DeeplinkCollectionFile::ErrorCode code, const QString& text) {
    return AppError(QString::fromLatin1(AppIdentity::bundleIdentifier), code, text);
}

} // namespace

DeeplinkCollectionFile::DeeplinkCollectionFile(
    SerialisingDeeplinkRecordCollection deeplinkCollection)
    : deeplinkCollection(std::move(deeplinkCollection)) {}

DeeplinkCollectionFile DeeplinkCollectionFile::read(const QString& path) {
    return DeeplinkCollectionFile(SerialisingDeeplinkRecordCollection::decode(readContents(path)));
}

QByteArray DeeplinkCollectionFile::readContents(const QString& path, qint64 limit) {
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    if (!info.exists())
        throw fileError(readFailed,
                        QStringLiteral("The file \u201C%1\u201D couldn\u2019t be opened because "
                                       "there is no such file.")
                            .arg(fileName));
    if (!info.isFile())
        throw NilDataError(fileName);
    if (info.size() > limit)
        throw tooLargeError(fileName, limit);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw fileError(readFailed,
                        QStringLiteral("The file \u201C%1\u201D couldn\u2019t be opened (%2).")
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
        throw fileError(readFailed,
                        QStringLiteral("The file \u201C%1\u201D couldn\u2019t be read (%2).")
                            .arg(fileName, file.errorString()));
    if (contents.size() > limit)
        throw tooLargeError(fileName, limit);
    return contents;
}

AppError DeeplinkCollectionFile::tooLargeError(const QString& fileName, qint64 limit) {
    return fileError(tooLarge, QStringLiteral("The file \u201C%1\u201D is too large to be a "
                                              "collection (more than %2).")
                                   .arg(fileName, QLocale().formattedDataSize(limit, 0)));
}

QStringList DeeplinkCollectionFile::readableContentTypes() {
    return {QStringLiteral("application/json")};
}

QByteArray DeeplinkCollectionFile::fileContents() const {
    return deeplinkCollection.encoded();
}

void DeeplinkCollectionFile::write(const QString& path) const {
    const QString fileName = QFileInfo(path).fileName();
    const QByteArray contents = fileContents();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw fileError(writeFailed,
                        QStringLiteral("The file \u201C%1\u201D couldn\u2019t be saved (%2).")
                            .arg(fileName, file.errorString()));
    if (file.write(contents) != contents.size() || !file.commit())
        throw fileError(writeFailed,
                        QStringLiteral("The file \u201C%1\u201D couldn\u2019t be saved (%2).")
                            .arg(fileName, file.errorString()));
}
