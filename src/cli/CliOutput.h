#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdio>
#include <optional>
#include <utility>

class QSaveFile;

// What kestrine-cli prints: text on standard output or error, written at once (a script may
// read the first line while a run goes on), and the one JSON document of --json.
class CliOutput {
public:
    // One JSON object's members, in order: strings (a null one is null), booleans, integers,
    // doubles (three decimals).
    using Fields = QList<std::pair<QString, QVariant>>;

    CliOutput() = delete;

    static void write(FILE* stream, const QString& text);
    // One line of text output: the fields, each escaped as StandardOutput::escaped() shows it,
    // separated by tabs.
    [[nodiscard]] static QString row(const QStringList& fields);
    // Why kestrine-cli will not write a file at `path`, if it will not: a symbolic link there,
    // even a dangling one, would have the write replace (or create) the file it points to.
    [[nodiscard]] static std::optional<QString> refusedDestination(const QString& path);
    // Opens `file` for writing where refusedDestination() allows it, checked again once open;
    // otherwise why not (the file left cancelled).
    [[nodiscard]] static std::optional<QString> openDestination(QSaveFile& file);
    // "kestrine-cli: <message>" on standard error.
    static void error(const QString& message);
    // Every message error() printed so far, in order: why a run could not start.
    [[nodiscard]] static QStringList printedErrors();
    // Prints {<head members>, "<listKey>": [<one row object a line>]} on standard output.
    static void printDocument(const Fields& head, const QString& listKey,
                              const QList<Fields>& rows);
};
