#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <cstdio>
#include <utility>

// What kestrine-cli prints: text on standard output or error, written at once (a script may
// read the first line while a run goes on), and the one JSON document of --json.
class CliOutput {
public:
    // One JSON object's members, in order: strings (a null one is null), booleans, integers,
    // doubles (three decimals).
    using Fields = QList<std::pair<QString, QVariant>>;

    CliOutput() = delete;

    static void write(FILE* stream, const QString& text);
    // "kestrine-cli: <message>" on standard error.
    static void error(const QString& message);
    // Prints {<head members>, "<listKey>": [<one row object a line>]} on standard output.
    static void printDocument(const Fields& head, const QString& listKey,
                              const QList<Fields>& rows);
};
