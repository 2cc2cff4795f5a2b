#pragma once

#include <QFile>
#include <QString>

// Sample files under tests/data/: real-shaped tool output, exchange files, property lists.
namespace TestData {

inline QString path(const QString& name) {
    return QStringLiteral(KESTRINE_SOURCE_DIR "/tests/data/") + name;
}

// The bytes of tests/data/`name`; a missing sample ends the run with its name.
inline QByteArray read(const QString& name) {
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read test data %s", qPrintable(file.fileName()));
    return file.readAll();
}

} // namespace TestData
