#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Sample files under tests/data: real-shaped tool output, exchange files, property lists.
namespace TestData {

inline QString path(const QString& name) {
    return QStringLiteral(KESTRINE_SOURCE_DIR "/tests/data/") + name;
}

// The bytes of `name` ("area/file"); fatal when it cannot be read.
inline QByteArray read(const QString& name) {
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("TestData: cannot read %s", qPrintable(name));
    return file.readAll();
}

// The names of the files in `directory`, sorted.
inline QStringList files(const QString& directory) {
    return QDir(path(directory)).entryList(QDir::Files, QDir::Name);
}

} // namespace TestData
