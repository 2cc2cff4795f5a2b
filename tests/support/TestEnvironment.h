#pragma once

#include "platform/Logger.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QTemporaryDir>

#include <utility>

// Everything a test touches on disk goes to a fresh temporary directory: KESTRINE_HOME (the
// store, every settings file, the icon cache and the instance socket, also of the app and
// kestrine-cli started as children), HOME with QStandardPaths in test mode, the tools' temporary
// directory, and ANDROID_HOME, whose adb lists no device (the "Android.adbPath" setting or another
// ANDROID_HOME overrides it). These variables, PATH, XDG_RUNTIME_DIR and KESTRINE_TOOL_TIMEOUT are
// put back when it goes; log lines written while it lives are captured. Create one per test
// function before any object under test.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    [[nodiscard]] QString path() const { return m_directory.path(); }
    [[nodiscard]] QString filePath(const QString& name) const { return m_directory.filePath(name); }
    // KESTRINE_HOME while it lives.
    [[nodiscard]] QString home() const { return filePath(QStringLiteral("home")); }
    // Writes `contents` to the file `name` in the directory and returns its path.
    QString writeFile(const QString& name, const QByteArray& contents) const;
    // Creates the FIFO `name` in the directory and returns its path.
    [[nodiscard]] QString makeFifo(const QString& name) const;
    // Opens the FIFO at `path` for writing without waiting, so that a reader stuck opening it
    // goes on (and reads end of file) instead of hanging the test; nothing happens without one.
    static void releaseFifoReader(const QString& path);

    // Captured log messages, optionally of one category only.
    [[nodiscard]] QStringList messages(const QString& category = {}) const;
    // Not guarded: read it only while no other thread is logging.
    [[nodiscard]] const QList<LogRecord>& records() const { return m_records; }
    void clearLog();

private:
    // Null when the variable was not set.
    QList<std::pair<const char*, QByteArray>> m_savedVariables;
    QTemporaryDir m_directory;
    // Some objects log from worker threads (the icon cache does).
    mutable QMutex m_mutex;
    QList<LogRecord> m_records;
};
