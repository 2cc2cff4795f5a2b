#pragma once

#include "exchange/SerialisingDeeplinkRecordCollection.h"
#include "platform/AppError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The exported document: one collection record, read from and written to JSON files only.
class DeeplinkCollectionFile {
public:
    // Error codes of the AppError values thrown for files that cannot be read or written
    // (domain: the application's bundle identifier, which the executer's codes 1 and 2 share:
    // these stay clear of them).
    enum ErrorCode { readFailed = 101, tooLarge = 102, writeFailed = 103 };

    // A collection is a few kilobytes; anything past this (some 80,000 deeplinks) is refused
    // before it is read. Creating and saving the objects runs on the GUI thread, so a much
    // larger file would freeze the window for seconds.
    static constexpr qint64 maximumFileSize = 8 * 1024 * 1024;

    explicit DeeplinkCollectionFile(SerialisingDeeplinkRecordCollection deeplinkCollection);

    // Reads and decodes a document: NilDataError when `path` has no regular-file contents,
    // AppError when it cannot be read or is too large, DecodingError when it is no record.
    [[nodiscard]] static DeeplinkCollectionFile read(const QString& path);

    // The whole contents of the regular file at `path`, refusing files over `limit` bytes
    // without reading them. Throws NilDataError or AppError as read() does.
    [[nodiscard]] static QByteArray readContents(const QString& path,
                                                 qint64 limit = maximumFileSize);

    // The error of a file over `limit` bytes.
    [[nodiscard]] static AppError tooLargeError(const QString& fileName,
                                                qint64 limit = maximumFileSize);

    // MIME types the document reads and writes.
    [[nodiscard]] static QStringList readableContentTypes();

    // The pretty-printed JSON of the record.
    [[nodiscard]] QByteArray fileContents() const;

    // Writes the document atomically: the file at `path` is either the complete new document
    // or left as it was. Throws AppError on failure.
    void write(const QString& path) const;

    SerialisingDeeplinkRecordCollection deeplinkCollection;
};
