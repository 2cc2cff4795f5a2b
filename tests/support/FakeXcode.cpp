#include "FakeXcode.h"

#include "DeviceFixtures.h"
#include "ToolDocuments.h"

#include <QDir>
#include <QFile>

#include <plist/plist.h>

#include <algorithm>

FakeXcode::FakeXcode(const QString& parentDirectory)
    : m_directory((parentDirectory.isEmpty() ? QDir::tempPath() : parentDirectory) +
                  QStringLiteral("/FakeXcode-XXXXXX"))
    , m_bundle(m_directory.filePath(QStringLiteral("Xcode.app")))
    , m_tools(m_bundle + QStringLiteral("/Contents/Developer/StandIn")) {
    if (!m_directory.isValid())
        qFatal("FakeXcode: cannot create a temporary directory");
    StandInTools::make(QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-xcode.sh"), m_bundle);
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
        return developerDirectory() + QStringLiteral("/StandIn/bin/osascript");
    return developerDirectory() + QStringLiteral("/usr/bin/") + toolName(tool);
}

void FakeXcode::setScenario(Tool tool, const Scenario& scenario, const QString& match) {
    m_tools.setScenario(toolName(tool), scenario, match);
}

void FakeXcode::setSimulators(const QStringList& sims, double delaySeconds) {
    setScenario(Tool::Simctl,
                {.standardOutput = DeviceFixtures::simctlJson({{QStringLiteral("iOS-17-2"), sims}}),
                 .delaySeconds = delaySeconds},
                QStringLiteral("list devices"));
}

void FakeXcode::setPhones(const QStringList& phones, double delaySeconds) {
    setScenario(Tool::Devicectl,
                {.file = DeviceFixtures::devicectlJson(phones), .delaySeconds = delaySeconds},
                QStringLiteral("list devices"));
}

void FakeXcode::setApps(const QStringList& apps, const QString& device, double delaySeconds) {
    setScenario(Tool::Devicectl, {.file = ToolDocuments::apps(apps), .delaySeconds = delaySeconds},
                QStringLiteral("device info apps --device ") + device);
}

QList<qint64> FakeXcode::hangingProcesses(Tool tool) const {
    return m_tools.hangingProcesses(toolName(tool));
}

void FakeXcode::endHangs(Tool tool) {
    m_tools.endHangs(toolName(tool), m_bundle);
}

QList<FakeXcode::Invocation> FakeXcode::invocations(Tool tool) const {
    QList<Invocation> result;
    for (const auto& entry : m_tools.logEntries(toolName(tool)))
        result.append({entry.second.arguments, entry.second.variable});
    return result;
}

QStringList FakeXcode::calls() const {
    QList<std::pair<QString, QString>> calls;
    for (const Tool tool : {Tool::Simctl, Tool::Devicectl, Tool::Osascript}) {
        for (const auto& [name, invocation] : m_tools.logEntries(toolName(tool)))
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
        StandInTools::writeFile(m_bundle + QStringLiteral("/Contents/Info.plist"),
                                QByteArray(data, length));
        plist_to_bin_free(data);
    } else {
        plist_to_xml(dictionary, &data, &length);
        StandInTools::writeFile(m_bundle + QStringLiteral("/Contents/Info.plist"),
                                QByteArray(data, length));
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
