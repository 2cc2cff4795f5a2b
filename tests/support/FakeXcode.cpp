#include "FakeXcode.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <plist/plist.h>

#include <algorithm>
#include <csignal>

namespace {

QString standIn(const QString& bundle) {
    return bundle + QStringLiteral("/Contents/Developer/StandIn");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("FakeXcode: cannot write %s", qPrintable(path));
}

} // namespace

FakeXcode::FakeXcode(const QString& parentDirectory)
    : m_directory((parentDirectory.isEmpty() ? QDir::tempPath() : parentDirectory) +
                  QStringLiteral("/FakeXcode-XXXXXX")) {
    if (!m_directory.isValid())
        qFatal("FakeXcode: cannot create a temporary directory");
    m_bundle = m_directory.filePath(QStringLiteral("Xcode.app"));
    const QString script = QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-xcode.sh");
    QProcess maker;
    maker.setProcessChannelMode(QProcess::ForwardedChannels);
    maker.start(QStringLiteral("/bin/sh"), {script, QStringLiteral("--bare"), m_bundle});
    if (!maker.waitForFinished(30000) || maker.exitStatus() != QProcess::NormalExit ||
        maker.exitCode() != 0)
        qFatal("FakeXcode: %s --bare failed", qPrintable(script));
}

FakeXcode::~FakeXcode() {
    for (const Tool tool : {Tool::Simctl, Tool::Devicectl, Tool::Osascript})
        endHangs(tool);
}

QString FakeXcode::toolName(Tool tool) {
    switch (tool) {
    case Tool::Simctl:
        return QStringLiteral("simctl");
    case Tool::Devicectl:
        return QStringLiteral("devicectl");
    case Tool::Osascript:
        return QStringLiteral("osascript");
    }
    return {};
}

QString FakeXcode::developerDirectory() const {
    return m_bundle + QStringLiteral("/Contents/Developer");
}

QString FakeXcode::toolPath(Tool tool) const {
    if (tool == Tool::Osascript)
        return standIn(m_bundle) + QStringLiteral("/bin/osascript");
    return developerDirectory() + QStringLiteral("/usr/bin/") + toolName(tool);
}

void FakeXcode::setScenario(Tool tool, const Scenario& scenario, const QString& match) {
    QDir scenarios(standIn(m_bundle) + QStringLiteral("/scenarios/") + toolName(tool));
    for (const QString& name : scenarios.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile existing(scenarios.filePath(name + QStringLiteral("/match")));
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == match.toUtf8())
            QDir(scenarios.filePath(name)).removeRecursively();
    }
    // Zero-padded so that the tools' reverse name order is newest first.
    const QString directory =
        scenarios.filePath(QString::number(m_nextScenario++).rightJustified(6, u'0'));
    QDir().mkpath(directory);
    writeFile(directory + QStringLiteral("/match"), match.toUtf8());
    writeFile(directory + QStringLiteral("/exit"), QByteArray::number(scenario.exitStatus));
    if (!scenario.standardOutput.isEmpty())
        writeFile(directory + QStringLiteral("/stdout"), scenario.standardOutput);
    if (!scenario.standardError.isEmpty())
        writeFile(directory + QStringLiteral("/stderr"), scenario.standardError);
    if (scenario.file)
        writeFile(directory + QStringLiteral("/file"), *scenario.file);
    if (scenario.delaySeconds > 0)
        writeFile(directory + QStringLiteral("/delay"), QByteArray::number(scenario.delaySeconds));
    if (scenario.signal != 0)
        writeFile(directory + QStringLiteral("/signal"), QByteArray::number(scenario.signal));
    if (scenario.hang)
        writeFile(directory + QStringLiteral("/hang"), {});
}

QList<qint64> FakeXcode::hangingProcesses(Tool tool) const {
    QList<qint64> ids;
    // "<pid>.part" is still being written.
    const QDir hanging(standIn(m_bundle) + QStringLiteral("/hanging/") + toolName(tool));
    for (const QString& name : hanging.entryList(QDir::Files))
        if (!name.endsWith(QStringLiteral(".part")))
            ids.append(name.toLongLong());
    return ids;
}

void FakeXcode::endHangs(Tool tool) {
    const QDir hanging(standIn(m_bundle) + QStringLiteral("/hanging/") + toolName(tool));
    for (const qint64 id : hangingProcesses(tool)) {
        // Only while it is still the parked tool (the stand-in script, or the sleep it becomes):
        // once its owner killed it, the id may be reused.
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(id));
        const QByteArray line =
            command.open(QIODevice::ReadOnly) ? command.readAll() : QByteArray();
        if (line.startsWith("sleep") || line.contains(m_bundle.toUtf8()))
            ::kill(pid_t(id), SIGKILL);
        QFile::remove(hanging.filePath(QString::number(id)));
    }
}

QList<std::pair<QString, FakeXcode::Invocation>> FakeXcode::logEntries(Tool tool) const {
    QList<std::pair<QString, Invocation>> result;
    const QDir log(standIn(m_bundle) + QStringLiteral("/log/") + toolName(tool));
    // Names are "<nanoseconds>-<pid>": name order is call order. "*.part" is still being written.
    const QStringList names = log.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (name.endsWith(QStringLiteral(".part")))
            continue;
        QFile file(log.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QList<QByteArray> fields = file.readAll().split('\0');
        if (fields.size() < 3)
            continue;
        fields.removeLast(); // every field is NUL-terminated
        Invocation invocation;
        if (fields.at(0) == "1")
            invocation.developerDir = QString::fromUtf8(fields.at(1));
        for (qsizetype i = 2; i < fields.size(); ++i)
            invocation.arguments.append(QString::fromUtf8(fields.at(i)));
        result.append({name, invocation});
    }
    return result;
}

QList<FakeXcode::Invocation> FakeXcode::invocations(Tool tool) const {
    QList<Invocation> result;
    for (const auto& entry : logEntries(tool))
        result.append(entry.second);
    return result;
}

QStringList FakeXcode::calls() const {
    QList<std::pair<QString, QString>> calls;
    for (const Tool tool : {Tool::Simctl, Tool::Devicectl, Tool::Osascript}) {
        for (const auto& [name, invocation] : logEntries(tool))
            calls.append({name, toolName(tool) + u' ' + invocation.arguments.join(u' ')});
    }
    std::sort(calls.begin(), calls.end());
    QStringList lines;
    for (const auto& call : calls)
        lines.append(call.second);
    return lines;
}

void FakeXcode::writeInfoPlist(const QString& bundleIdentifier, PlistFormat format) {
    plist_t dictionary = plist_new_dict();
    plist_dict_set_item(dictionary, "CFBundleIdentifier",
                        plist_new_string(bundleIdentifier.toUtf8().constData()));
    plist_dict_set_item(dictionary, "CFBundleName", plist_new_string("Xcode"));
    char* data = nullptr;
    uint32_t length = 0;
    if (format == PlistFormat::Binary) {
        plist_to_bin(dictionary, &data, &length);
        writeFile(m_bundle + QStringLiteral("/Contents/Info.plist"), QByteArray(data, length));
        plist_to_bin_free(data);
    } else {
        plist_to_xml(dictionary, &data, &length);
        writeFile(m_bundle + QStringLiteral("/Contents/Info.plist"), QByteArray(data, length));
        plist_to_xml_free(data);
    }
    plist_free(dictionary);
}

void FakeXcode::removeInfoPlist() {
    QFile::remove(m_bundle + QStringLiteral("/Contents/Info.plist"));
}

void FakeXcode::removeTool(Tool tool) {
    QFile::remove(toolPath(tool));
}
