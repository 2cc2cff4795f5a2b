#pragma once

#include "StandInTools.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <optional>
#include <utility>

// A stand-in Xcode bundle for tests, made by tools/make-demo-xcode.sh --bare in a temporary
// directory (removed with the object):
//
//   <path()>                         ".../Xcode.app"
//     Contents/Info.plist            CFBundleIdentifier "com.apple.dt.Xcode" (see writeInfoPlist)
//     Contents/Developer/usr/bin/simctl, devicectl     small shell scripts
//     Contents/Developer/StandIn/bin/osascript         a stand-in AppleScript interpreter
//
// Each tool answers the newest scenario whose `match` text occurs in its arguments joined with
// single spaces (an empty match answers every call); a call that matches none exits 0 silently.
// Every call is logged (arguments and DEVELOPER_DIR) and read back with invocations().
// A scenario can also misbehave as real tools now and then do: hang, die by a signal, or (by
// leaving `file` unset) exit without writing the document it was asked for.
//
//   FakeXcode xcode;
//   xcode.setScenario(FakeXcode::Tool::Devicectl, {.file = json}, u"list devices");
//   xcode.setScenario(FakeXcode::Tool::Devicectl, {.standardError = "boom\n", .exitStatus = 1},
//                     u"device info apps");
//   ... run the code under test with xcode.url() ...
//   QCOMPARE(xcode.invocations(FakeXcode::Tool::Devicectl).size(), 2);
class FakeXcode {
public:
    enum class Tool { Simctl, Devicectl, Osascript };

    using Scenario = StandInTools::Scenario;

    struct Invocation {
        QStringList arguments;               // argv without the program name
        std::optional<QString> developerDir; // DEVELOPER_DIR, nullopt when it was not set
    };

    // Creates the bundle in a new temporary directory below `parentDirectory` (QDir::tempPath()
    // by default; pass TestEnvironment::path() to keep the tools' TMPDIR free of it).
    explicit FakeXcode(const QString& parentDirectory = {});
    ~FakeXcode();
    FakeXcode(const FakeXcode&) = delete;
    FakeXcode& operator=(const FakeXcode&) = delete;

    // The bundle ("…/Xcode.app") as a path and as a file URL: what the user would choose.
    [[nodiscard]] QString path() const { return m_bundle; }
    [[nodiscard]] QUrl url() const { return QUrl::fromLocalFile(m_bundle); }
    [[nodiscard]] QString developerDirectory() const;
    [[nodiscard]] QString toolPath(Tool tool) const;

    // Sets what calls of `tool` whose arguments contain `match` answer; replaces an earlier
    // scenario with the same match. Newer scenarios are consulted first.
    void setScenario(Tool tool, const Scenario& scenario, const QString& match = {});
    // The usual listings: iOS 17.2 simulators as "udid|name|state", phones as
    // "identifier|name|bootState", and a device's apps as "name=bundle id" (every device's when
    // `device` is empty).
    void setSimulators(const QStringList& sims, double delaySeconds = 0);
    void setPhones(const QStringList& phones, double delaySeconds = 0);
    void setApps(const QStringList& apps, const QString& device = {}, double delaySeconds = 0);

    // Every call of `tool` so far, oldest first.
    [[nodiscard]] QList<Invocation> invocations(Tool tool) const;
    // Every call of every tool so far, in the order they started: "<tool> <arguments>".
    [[nodiscard]] QStringList calls() const;

    // Calls of `tool` parked by a `hang` scenario and not ended yet (process ids).
    [[nodiscard]] QList<qint64> hangingProcesses(Tool tool) const;
    // Kills them with SIGKILL, as a user ending a stuck tool would. The destructor ends all.
    void endHangs(Tool tool);

    // Rewrites Contents/Info.plist as a dictionary with this CFBundleIdentifier.
    enum class PlistFormat { Xml, Binary };
    void writeInfoPlist(const QString& bundleIdentifier, PlistFormat format = PlistFormat::Xml);
    void removeInfoPlist();
    // Deletes the tool, so that running it fails to start.
    void removeTool(Tool tool);

    [[nodiscard]] static QString toolName(Tool tool);

private:
    QTemporaryDir m_directory;
    QString m_bundle;
    StandInTools m_tools;
};
