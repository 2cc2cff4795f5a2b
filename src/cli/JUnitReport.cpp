#include "cli/JUnitReport.h"

#include "cli/CliOutput.h"

#include <QDateTime>
#include <QSaveFile>
#include <QXmlStreamWriter>

namespace {

using Status = CollectionRun::Result::Status;

QString seconds(double value) {
    return QString::number(value, 'f', 3);
}

// What the firing did, as far as known: <property name="result" value="opened"/>, ….
void writeProperties(QXmlStreamWriter& xml, const std::optional<FiringOutcome>& outcome) {
    if (!outcome)
        return;
    const QList<std::pair<QString, QString>> properties{
        {QStringLiteral("result"), FiringOutcome::resultName(outcome->result)},
        {QStringLiteral("handler"), outcome->handler},
        {QStringLiteral("launch"), FiringOutcome::launchName(outcome->launch)},
        {QStringLiteral("totalTimeMs"),
         outcome->totalTimeMs ? QString::number(*outcome->totalTimeMs) : QString()}};
    xml.writeStartElement(QStringLiteral("properties"));
    for (const auto& [name, value] : properties) {
        if (value.isEmpty())
            continue;
        xml.writeStartElement(QStringLiteral("property"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("value"), JUnitReport::xmlSafe(value));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

} // namespace

QString JUnitReport::xmlSafe(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            safe += c;
            safe += text.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        const bool allowed = u == u'\t' || u == u'\n' || u == u'\r' ||
                             (u >= 0x20 && !c.isSurrogate() && u != 0xFFFE && u != 0xFFFF);
        safe += allowed ? c : QChar(QChar::ReplacementCharacter);
    }
    return safe;
}

std::optional<QString> JUnitReport::write(const QString& path, const QString& collection,
                                          const CollectionRun::Report& report) {
    double total = 0;
    for (const CollectionRun::Result& result : report.results)
        total += result.seconds;

    QSaveFile file(path);
    if (const std::optional<QString> refused = CliOutput::openDestination(file))
        return refused;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), xmlSafe(collection));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(report.results.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(report.count(Status::Failed)));
    xml.writeAttribute(QStringLiteral("errors"), QString::number(report.count(Status::Errored)));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(report.count(Status::Skipped)));
    xml.writeAttribute(QStringLiteral("time"), seconds(total));
    xml.writeAttribute(QStringLiteral("timestamp"),
                       QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    for (const CollectionRun::Result& result : report.results) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("name"), xmlSafe(result.step.title));
        xml.writeAttribute(QStringLiteral("classname"), xmlSafe(collection));
        xml.writeAttribute(QStringLiteral("time"), seconds(result.seconds));
        writeProperties(xml, result.outcome);
        if (result.status == Status::Failed || result.status == Status::Errored) {
            xml.writeStartElement(result.status == Status::Failed ? QStringLiteral("failure")
                                                                  : QStringLiteral("error"));
            xml.writeAttribute(QStringLiteral("message"), xmlSafe(result.message));
            xml.writeCharacters(xmlSafe(result.message));
            xml.writeEndElement();
        } else if (result.status == Status::Skipped) {
            xml.writeStartElement(QStringLiteral("skipped"));
            xml.writeAttribute(QStringLiteral("message"), xmlSafe(result.message));
            xml.writeEndElement();
        }
        // The URL fired, for reading a report without the collection at hand; a passing
        // firing's warning and notes; the screenshot as CI servers pick up attachments.
        QStringList out{result.step.url};
        if (result.status == Status::Ok)
            out.append(result.message);
        if (result.outcome && !result.outcome->screenshot.isEmpty())
            out.append(QStringLiteral("[[ATTACHMENT|%1]]").arg(result.outcome->screenshot));
        out.removeAll(QString());
        if (!out.isEmpty())
            xml.writeTextElement(QStringLiteral("system-out"), xmlSafe(out.join(u'\n')));
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit())
        return file.errorString();
    return std::nullopt;
}
