// What telling a firing's outcome costs on a simulator: reading `simctl listapps` and every
// listed app's Info.plist and entitlements (once, then again only when they change), then
// choosing the handler, per firing.
// Run: build/release/bench/bench_simulator_outcome 2>/dev/null
#include "Median.h"
#include "destinations/SimulatorApps.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// A simulator's worth of apps (system apps included) in `root`, and its listapps answer.
QByteArray makeApps(const QString& root, int count) {
    QByteArray listing = "{\n";
    for (int i = 0; i < count; ++i) {
        const QByteArray id = "com.example.app" + QByteArray::number(i);
        const QString path = root + QStringLiteral("/App%1.app").arg(i);
        QDir().mkpath(path);
        QFile plist(path + QStringLiteral("/Info.plist"));
        if (!plist.open(QIODevice::WriteOnly))
            return {};
        plist.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                    "<key>CFBundleIdentifier</key><string>" +
                    id +
                    "</string><key>CFBundleURLTypes</key><array><dict>"
                    "<key>CFBundleURLSchemes</key><array><string>scheme" +
                    QByteArray::number(i) + "</string></array></dict></array></dict></plist>\n");
        listing += "    \"" + id + "\" =     {\n        CFBundleDisplayName = App" +
                   QByteArray::number(i) + ";\n        CFBundleIdentifier = \"" + id +
                   "\";\n        Path = \"" + path.toUtf8() + "\";\n    };\n";
    }
    return listing + "}\n";
}

} // namespace

int main() {
    QTemporaryDir scratch;
    const int apps = 60;
    const QByteArray listing = makeApps(scratch.path(), apps);
    QElapsedTimer first;
    first.start();
    (void)SimulatorApps::fromListing(listing); // every bundle's files read
    std::printf("the first firing at a simulator reads %d apps' files: %.2f ms\n", apps,
                double(first.nsecsElapsed()) / 1e6);
    QList<double> costs;
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer clock;
        clock.start();
        const int firings = 50;
        int opened = 0;
        for (int i = 0; i < firings; ++i) {
            const std::optional<QList<SimulatorApps::App>> found =
                SimulatorApps::fromListing(listing);
            const SimulatorApps::Plan plan = SimulatorApps::plan(
                found.value_or(QList<SimulatorApps::App>{}),
                QStringLiteral("scheme%1://item").arg(i % apps), QStringLiteral("iPhone 15"));
            opened += plan.fire && !plan.outcome.handler.isEmpty() ? 1 : 0;
        }
        if (opened != firings)
            std::fprintf(stderr, "the apps were read wrong\n");
        costs.append(double(clock.nsecsElapsed()) / firings / 1e6);
    }
    std::printf("reading %d apps' declarations and choosing the handler: median %.2f ms per "
                "firing (target <= 5 ms)\n",
                apps, median(costs));
    return 0;
}
