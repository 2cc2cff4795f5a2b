#include "FakeXcode.h"

#include "DeviceFixtures.h"
#include "ToolDocuments.h"

#include <QBuffer>
#include <QDir>
#include <QImage>

#include <algorithm>

namespace {

constexpr FakeXcode::Tool allTools[] = {FakeXcode::Tool::Simctl, FakeXcode::Tool::Devicectl,
                                        FakeXcode::Tool::Osascript};

} // namespace

FakeXcode::FakeXcode(const QString& parentDirectory)
    : m_directory((parentDirectory.isEmpty() ? QDir::tempPath() : parentDirectory) +
                  QStringLiteral("/FakeXcode-XXXXXX"))
    , m_bundle(m_directory.filePath(QStringLiteral("Xcode.app")))
    , m_tools(m_bundle + QStringLiteral("/Contents/Developer/StandIn")) {
    if (!m_directory.isValid())
        qFatal("FakeXcode: cannot create a temporary directory");
    StandInTools::make(QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-xcode.sh"), m_bundle);
    setScenario(Tool::Simctl, {.file = screenshotPng()}, QStringLiteral(" screenshot "));
}

FakeXcode::~FakeXcode() {
    for (const Tool tool : allTools)
        endHangs(tool);
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

QList<FakeXcode::Invocation> FakeXcode::invocations(Tool tool) const {
    QList<Invocation> result;
    for (const auto& entry : m_tools.logEntries(toolName(tool)))
        result.append({entry.second.arguments, entry.second.variable});
    return result;
}

QStringList FakeXcode::openedUrls() const {
    QStringList urls;
    for (const Invocation& call : invocations(Tool::Simctl)) {
        if (call.arguments.value(0) == u"openurl")
            urls.append(call.arguments.value(2));
    }
    return urls;
}

QStringList FakeXcode::calls() const {
    QList<std::pair<QString, QString>> calls; // (start time, call)
    for (const Tool tool : allTools) {
        for (const auto& [name, invocation] : m_tools.logEntries(toolName(tool)))
            calls.append({name, toolName(tool) + u' ' + invocation.arguments.join(u' ')});
    }
    std::sort(calls.begin(), calls.end());
    QStringList lines;
    for (const auto& call : calls)
        lines.append(call.second);
    return lines;
}

void FakeXcode::writeInfoPlist(const QString& bundleIdentifier) {
    StandInTools::writeFile(m_bundle + QStringLiteral("/Contents/Info.plist"),
                            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                            "<dict><key>CFBundleIdentifier</key><string>" +
                                bundleIdentifier.toUtf8() + "</string></dict></plist>\n");
}

namespace {

// An XML property list with a dictionary at its top.
QByteArray plist(const QByteArray& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries +
           "</dict></plist>\n";
}

QByteArray stringArray(const QStringList& values) {
    QByteArray array = "<array>";
    for (const QString& value : values)
        array += "<string>" + value.toUtf8() + "</string>";
    return array + "</array>";
}

} // namespace

void FakeXcode::setInstalledApps(const QList<SimulatorApp>& apps) {
    QByteArray listing = "{\n";
    for (const SimulatorApp& app : apps) {
        const QString path = m_directory.filePath(QStringLiteral("Apps/") + app.bundleId + ".app");
        QDir().mkpath(path);
        StandInTools::writeFile(path + "/Info.plist",
                                plist("<key>CFBundleIdentifier</key><string>" +
                                      app.bundleId.toUtf8() +
                                      "</string><key>CFBundleURLTypes</key><array><dict>"
                                      "<key>CFBundleURLSchemes</key>" +
                                      stringArray(app.schemes) + "</dict></array>"));
        if (!app.appLinks.isEmpty())
            StandInTools::writeFile(path + "/archived-expanded-entitlements.xcent",
                                    plist("<key>com.apple.developer.associated-domains</key>" +
                                          stringArray(app.appLinks)));
        listing += "    \"" + app.bundleId.toUtf8() +
                   "\" =     {\n"
                   "        ApplicationType = User;\n"
                   "        CFBundleDisplayName = \"" +
                   app.name.toUtf8() +
                   "\";\n"
                   "        CFBundleIdentifier = \"" +
                   app.bundleId.toUtf8() +
                   "\";\n"
                   "        GroupContainers =         {\n        };\n"
                   "        Path = \"" +
                   path.toUtf8() +
                   "\";\n"
                   "        SBAppTags =         (\n        );\n"
                   "    };\n";
    }
    setScenario(Tool::Simctl, {.standardOutput = listing + "}\n"}, QStringLiteral("listapps "));
}

QByteArray FakeXcode::screenshotPng() {
    QImage image(4, 8, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
