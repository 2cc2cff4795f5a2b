#include "cli/CliOutput.h"

#include <QSaveFile>

#include "platform/JsonEncoding.h"
#include "platform/StandardOutput.h"

#include <QFileInfo>

namespace {

// What error() printed, for the report of a run that could not start.
QStringList& printed() {
    static QStringList messages;
    return messages;
}

void appendMember(QByteArray& out, const QString& key, const QVariant& value) {
    JsonEncoding::appendString(out, key);
    out += ": ";
    switch (value.typeId()) {
    case QMetaType::Bool:
        out += value.toBool() ? "true" : "false";
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        out += QByteArray::number(value.toLongLong());
        break;
    case QMetaType::Double:
        out += QByteArray::number(value.toDouble(), 'f', 3);
        break;
    default:
        if (value.toString().isNull())
            out += "null";
        else
            JsonEncoding::appendString(out, value.toString());
    }
}

void appendObject(QByteArray& out, const CliOutput::Fields& fields) {
    out += '{';
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendMember(out, fields.at(i).first, fields.at(i).second);
    }
    out += '}';
}

} // namespace

void CliOutput::write(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString CliOutput::row(const QStringList& fields) {
    QStringList shown;
    for (const QString& field : fields)
        shown.append(StandardOutput::escaped(field));
    return shown.join(u'\t') + u'\n';
}

std::optional<QString> CliOutput::openDestination(QSaveFile& file) {
    if (const std::optional<QString> refused = refusedDestination(file.fileName()))
        return refused;
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // QSaveFile follows a link at open() and replaces one planted later: a link that came in
    // between is caught here, before anything reaches the file it points to.
    if (const std::optional<QString> refused = refusedDestination(file.fileName())) {
        file.cancelWriting();
        return refused;
    }
    return std::nullopt;
}

std::optional<QString> CliOutput::refusedDestination(const QString& path) {
    if (QFileInfo(path).isSymLink())
        return QStringLiteral("it is a symbolic link, which is never followed; remove it or "
                              "choose another path");
    return std::nullopt;
}

void CliOutput::error(const QString& message) {
    printed().append(message);
    write(stderr, QStringLiteral("kestrine-cli: ") + message + u'\n');
}

QStringList CliOutput::printedErrors() {
    return printed();
}

void CliOutput::printDocument(const Fields& head, const QString& listKey,
                              const QList<Fields>& rows) {
    QByteArray out = "{\n";
    for (const auto& [key, value] : head) {
        JsonEncoding::appendIndent(out, 1);
        appendMember(out, key, value);
        out += ",\n";
    }
    JsonEncoding::appendIndent(out, 1);
    JsonEncoding::appendString(out, listKey);
    out += ": [";
    for (qsizetype i = 0; i < rows.size(); ++i) {
        out += i > 0 ? ",\n" : "\n";
        JsonEncoding::appendIndent(out, 2);
        appendObject(out, rows.at(i));
    }
    out += rows.isEmpty() ? "]\n}\n" : "\n  ]\n}\n";
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
}
