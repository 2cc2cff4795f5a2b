#pragma once

#include "StandInTools.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <optional>

// A stand-in Xcode bundle for tests, made by tools/make-demo-xcode.sh --bare in a temporary
// directory (removed with the object): Contents/Info.plist says "com.apple.dt.Xcode",
// Contents/Developer/usr/bin holds simctl and devicectl, StandIn/bin an osascript. Each tool
// answers the newest scenario whose `match` occurs in its arguments joined with spaces (an empty
// match answers every call; no match exits 0 silently) and logs every call with DEVELOPER_DIR.
//
//   xcode.setScenario(FakeXcode::Tool::Devicectl, {.standardError = "boom\n", .exitStatus = 1},
//                     u"device info apps");
class FakeXcode {
public:
    enum class Tool { Simctl, Devicectl, Osascript };
    using Scenario = StandInTools::Scenario;
    struct Invocation {
        QStringList arguments;               // argv without the program name
        std::optional<QString> developerDir; // nullopt when it was not set
    };

    // Below `parentDirectory` (QDir::tempPath() by default; pass TestEnvironment::path() to keep
    // the tools' TMPDIR free of it).
    explicit FakeXcode(const QString& parentDirectory = {});
    ~FakeXcode();
    FakeXcode(const FakeXcode&) = delete;
    FakeXcode& operator=(const FakeXcode&) = delete;

    // The bundle ("…/Xcode.app"): what the user would choose.
    [[nodiscard]] QString path() const { return m_bundle; }
    [[nodiscard]] QUrl url() const { return QUrl::fromLocalFile(m_bundle); }
    [[nodiscard]] QString developerDirectory() const { return m_bundle + "/Contents/Developer"; }
    [[nodiscard]] QString toolPath(Tool tool) const {
        return developerDirectory() + (tool == Tool::Osascript ? "/StandIn/bin/" : "/usr/bin/") +
               toolName(tool);
    }

    // Replaces an earlier scenario with the same match; newer scenarios are consulted first.
    void setScenario(Tool tool, const Scenario& scenario, const QString& match = {}) {
        m_tools.setScenario(toolName(tool), scenario, match);
    }
    // The usual listings: iOS 17.2 simulators as "udid|name|state", phones as
    // "identifier|name|bootState", a device's apps (every device's when `device` is empty) as
    // "name=bundle id".
    void setSimulators(const QStringList& sims, double delaySeconds = 0);
    void setPhones(const QStringList& phones, double delaySeconds = 0);
    void setApps(const QStringList& apps, const QString& device = {}, double delaySeconds = 0);

    // An app on the simulators: its bundle is written on disk with an Info.plist declaring
    // `schemes` and, when there are `appLinks` ("applinks:shop.example"), the entitlements Xcode
    // archives for a simulator build.
    struct SimulatorApp {
        QString bundleId;
        QString name;
        QStringList schemes{};
        QStringList appLinks{};
    };
    // `simctl listapps` of any simulator names these apps, as the old-style property list
    // simctl prints.
    void setInstalledApps(const QList<SimulatorApp>& apps);
    // What `simctl io <udid> screenshot <file>` writes (from the start: a small PNG).
    [[nodiscard]] static QByteArray screenshotPng();

    [[nodiscard]] QList<Invocation> invocations(Tool tool) const;
    // The URLs handed to `simctl openurl` so far, in order.
    [[nodiscard]] QStringList openedUrls() const;
    // Every call of every tool so far, in the order they started: "<tool> <arguments>".
    [[nodiscard]] QStringList calls() const;
    // Calls parked by a `hang` scenario; endHangs() kills them as a user ending a stuck tool
    // would. The destructor ends all.
    [[nodiscard]] QList<qint64> hangingProcesses(Tool tool) const {
        return m_tools.hangingProcesses(toolName(tool));
    }
    void endHangs(Tool tool) { m_tools.endHangs(toolName(tool), m_bundle); }

    // Rewrites Contents/Info.plist as a dictionary with this CFBundleIdentifier.
    void writeInfoPlist(const QString& bundleIdentifier);
    void removeInfoPlist() { QFile::remove(m_bundle + "/Contents/Info.plist"); }
    // Deletes the tool, so that running it fails to start.
    void removeTool(Tool tool) { QFile::remove(toolPath(tool)); }

private:
    static QString toolName(Tool tool) {
        return tool == Tool::Simctl      ? QStringLiteral("simctl")
               : tool == Tool::Devicectl ? QStringLiteral("devicectl")
                                         : QStringLiteral("osascript");
    }

    QTemporaryDir m_directory;
    QString m_bundle;
    StandInTools m_tools;
};
