#pragma once

#include "exchange/SerialisingDeeplinkRecordCollection.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The exported document: one collection record, read from and written to JSON files only.
class DeeplinkCollectionFile {
public:
    // A collection is a few kilobytes; anything past this (some 80,000 deeplinks) is refused
    // before it is read. Creating and saving the objects runs on the GUI thread, so a much
    // larger file would freeze the window for seconds.
    static constexpr qint64 maximumFileSize = 8 * 1024 * 1024;

    explicit DeeplinkCollectionFile(SerialisingDeeplinkRecordCollection deeplinkCollection);

    // Reads and decodes a document; else why not: `path` has no regular-file contents (the
    // words of NilDataError), cannot be read, is too large, or is no record (DecodingError's).
    static Result<DeeplinkCollectionFile> read(const QString& path);

    // The whole contents of the regular file at `path`, refusing files over `limit` bytes
    // without reading them; else why not, as read() says it.
    static Result<QByteArray> readContents(const QString& path, qint64 limit = maximumFileSize);

    // The error of a file over `limit` bytes.
    [[nodiscard]] static QString tooLargeError(const QString& fileName,
                                               qint64 limit = maximumFileSize);

    // MIME types the document reads and writes.
    [[nodiscard]] static QStringList readableContentTypes();

    // The pretty-printed JSON of the record.
    [[nodiscard]] QByteArray fileContents() const;

    // Writes the document atomically: the file at `path` is either the complete new document
    // or left as it was; else why not.
    Result<void> write(const QString& path) const;

    SerialisingDeeplinkRecordCollection deeplinkCollection;
};
