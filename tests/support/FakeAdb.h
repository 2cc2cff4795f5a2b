#pragma once

#include "StandInTools.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

// A stand-in Android SDK for tests, made by tools/make-demo-android-sdk.sh in a temporary
// directory (removed with the object): `adbPath()` is its platform-tools/adb. With `demo` it
// answers like the demo machine (one emulator, one phone, one unauthorized phone); otherwise it
// answers nothing until told with setScenario(), which works as FakeXcode's does. Every call is
// logged with ANDROID_ADB_SERVER_PORT (Invocation::variable) and read back with invocations().
class FakeAdb {
public:
    using Scenario = StandInTools::Scenario;
    using Invocation = StandInTools::Invocation;

    explicit FakeAdb(const QString& parentDirectory, bool demo = false);
    ~FakeAdb();
    FakeAdb(const FakeAdb&) = delete;
    FakeAdb& operator=(const FakeAdb&) = delete;

    [[nodiscard]] QString adbPath() const { return m_sdk + QStringLiteral("/platform-tools/adb"); }

    void setScenario(const Scenario& scenario, const QString& match = {});
    [[nodiscard]] QList<Invocation> invocations() const;
    [[nodiscard]] QList<qint64> hangingProcesses() const;
    void endHangs();

private:
    QTemporaryDir m_directory;
    QString m_sdk;
    StandInTools m_tools;
};
