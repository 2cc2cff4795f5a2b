#pragma once

#include "platform/FiringOutcome.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the apps installed on a simulator declare for opening URLs, and which of them a URL
// goes to. The apps come from `simctl listapps`; their URL schemes from each bundle's Info.plist
// and their associated domains from the entitlements Xcode archives beside it, both read on the
// host, where a simulator's apps live.
class SimulatorApps {
public:
    struct App {
        // Initialised so that GCC accepts designated initialisers that leave members out.
        QString bundleId{};
        QString name{};         // CFBundleDisplayName, else CFBundleName, else the bundle id
        QStringList schemes{};  // of CFBundleURLTypes, in lower case
        QStringList appLinks{}; // applinks domains ("shop.example", "*.shop.example"), lower case
        bool operator==(const App&) const = default;
    };

    // The apps of a `simctl listapps` answer, each with what its bundle declares; nothing when
    // the answer is not a dictionary in the old-style format. Reads files: not for the GUI
    // thread.
    [[nodiscard]] static std::optional<QList<App>> fromListing(QByteArrayView listing);

    // How a firing of `url` on the simulator `deviceName` should go.
    struct Plan {
        bool fire = true;      // false: nothing opens it, `outcome` says so
        FiringOutcome outcome; // what the firing will have done, when it succeeds
        QStringList stopFirst; // apps to terminate for a cold start; empty: none is known
    };
    // A custom scheme goes to the app declaring it (none: no-handler); http(s) to Safari,
    // unless an app claims the host for Universal Links, which the device then decides.
    [[nodiscard]] static Plan plan(const QList<App>& apps, const QString& url,
                                   const QString& deviceName);

    static constexpr QStringView safari = u"com.apple.mobilesafari";
};
