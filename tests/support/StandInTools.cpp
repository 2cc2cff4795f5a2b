#include "StandInTools.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>

StandInTools::StandInTools(QString standInDirectory)
    : m_directory(std::move(standInDirectory)) {}

void StandInTools::writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("StandInTools: cannot write %s", qPrintable(path));
}

void StandInTools::make(const QString& script, const QString& path, bool bare) {
    QStringList arguments{script, path};
    if (bare)
        arguments.insert(1, QStringLiteral("--bare"));
    QProcess maker;
    // The demo's closing notes are not the test's output.
    maker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    maker.start(QStringLiteral("/bin/sh"), arguments);
    if (!maker.waitForFinished(30000) || maker.exitStatus() != QProcess::NormalExit ||
        maker.exitCode() != 0)
        qFatal("StandInTools: %s failed", qPrintable(script));
}

void StandInTools::setScenario(const QString& tool, const Scenario& scenario,
                               const QString& match) {
    QDir scenarios(m_directory + QStringLiteral("/scenarios/") + tool);
    for (const QString& name : scenarios.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile existing(scenarios.filePath(name + QStringLiteral("/match")));
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == match.toUtf8())
            QDir(scenarios.filePath(name)).removeRecursively();
    }
    // Of equal length, and after the demo answers' "NNNN", so that the tools' reverse name order
    // is newest first.
    const QString directory = scenarios.filePath(QString::number(1000000 + m_nextScenario++));
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
    if (scenario.readsInput)
        writeFile(directory + QStringLiteral("/input"), {});
}

QList<qint64> StandInTools::hangingProcesses(const QString& tool) const {
    QList<qint64> ids;
    // "<pid>.part" is still being written.
    const QDir hanging(m_directory + QStringLiteral("/hanging/") + tool);
    for (const QString& name : hanging.entryList(QDir::Files))
        if (!name.endsWith(QStringLiteral(".part")))
            ids.append(name.toLongLong());
    return ids;
}

std::optional<QByteArray> StandInTools::processField(qint64 id, const char* field) {
    QProcess ps;
    ps.start(QStringLiteral("ps"), {QStringLiteral("-o"), QString::fromLatin1(field) + u'=',
                                    QStringLiteral("-p"), QString::number(id)});
    // ps exits non-zero when no process has the id.
    if (!ps.waitForFinished(10000) || ps.exitStatus() != QProcess::NormalExit || ps.exitCode() != 0)
        return std::nullopt;
    return ps.readAllStandardOutput().trimmed();
}

bool StandInTools::isRunning(qint64 id) {
    const std::optional<QByteArray> state = processField(id, "stat");
    return state && !state->startsWith('Z');
}

void StandInTools::endHangs(const QString& tool, const QString& owner) {
    const QDir hanging(m_directory + QStringLiteral("/hanging/") + tool);
    for (const qint64 id : hangingProcesses(tool)) {
        // Only while it is still the parked tool (the stand-in script, or the sleep it becomes):
        // once its owner killed it, the id may be reused. In the middle of becoming the sleep
        // its command line reads empty for a moment (ps then shows "[name]"), so it is read
        // again.
        QByteArray line;
        for (int attempt = 0; attempt < 50; ++attempt) {
            const std::optional<QByteArray> command = processField(id, "command");
            if (!command)
                break;
            line = *command;
            if (!line.isEmpty() && !line.startsWith('['))
                break;
            QThread::msleep(10);
        }
        if (line.startsWith("sleep") || line.contains(owner.toUtf8()))
            ::kill(pid_t(id), SIGKILL);
        QFile::remove(hanging.filePath(QString::number(id)));
    }
}

QList<std::pair<QString, StandInTools::Invocation>>
StandInTools::logEntries(const QString& tool) const {
    QList<std::pair<QString, Invocation>> result;
    const QDir log(m_directory + QStringLiteral("/log/") + tool);
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
            invocation.variable = QString::fromUtf8(fields.at(1));
        for (qsizetype i = 2; i < fields.size(); ++i)
            invocation.arguments.append(QString::fromUtf8(fields.at(i)));
        result.append({name, invocation});
    }
    return result;
}

QList<StandInTools::Invocation> StandInTools::invocations(const QString& tool) const {
    QList<Invocation> result;
    for (const auto& entry : logEntries(tool))
        result.append(entry.second);
    return result;
}
