#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The files behind the stand-in tools that tools/stand-in-tool.sh writes (FakeXcode's and
// FakeAdb's): scenarios telling a tool what to answer, the log of its calls, the calls parked
// by a hanging scenario. `standInDirectory` is the tools' StandIn directory.
class StandInTools {
public:
    struct Scenario {
        // Initialised so that GCC accepts designated initialisers that leave them out.
        QByteArray standardOutput{};
        QByteArray standardError{};
        // Copied to the path that follows "--json-output" or "--destination"; when unset the
        // tool writes nothing there, as a devicectl that fails before writing its document.
        std::optional<QByteArray> file{};
        int exitStatus = 0;
        // Seconds to wait (after logging the call) before answering.
        double delaySeconds = 0;
        // After answering, the tool kills itself with this signal instead of exiting (0: no).
        int signal = 0;
        // After answering, the tool never exits: see hangingProcesses() and endHangs().
        bool hang = false;
        // The tool reads its standard input to the end first.
        bool readsInput = false;
    };

    struct Invocation {
        QStringList arguments;           // argv without the program name
        std::optional<QString> variable; // the tool's recorded variable, nullopt when not set
    };

    explicit StandInTools(QString standInDirectory);

    // Runs `script` (a tools/make-demo-*.sh), with --bare when `bare`, to create `path`; fatal
    // when it fails.
    static void make(const QString& script, const QString& path, bool bare = true);
    // Writes `bytes` to `path`; fatal when it cannot.
    static void writeFile(const QString& path, const QByteArray& bytes);

    void setScenario(const QString& tool, const Scenario& scenario, const QString& match);
    // The log file name (its start time) and the call, for every call of `tool`, oldest first.
    [[nodiscard]] QList<std::pair<QString, Invocation>> logEntries(const QString& tool) const;
    [[nodiscard]] QList<Invocation> invocations(const QString& tool) const;
    [[nodiscard]] QList<qint64> hangingProcesses(const QString& tool) const;
    // Whether the process `id` is alive (not gone, not a zombie nobody reaped yet).
    [[nodiscard]] static bool isRunning(qint64 id);
    // Kills them with SIGKILL while they are still the parked tool (a process whose command line
    // names `owner`, or the sleep it became).
    void endHangs(const QString& tool, const QString& owner);

private:
    // What `ps -o FIELD= -p ID` says, which Linux and the Mac both have (the Mac has no /proc);
    // nullopt when no process has the id.
    static std::optional<QByteArray> processField(qint64 id, const char* field);

    QString m_directory;
    int m_nextScenario = 1;
};
