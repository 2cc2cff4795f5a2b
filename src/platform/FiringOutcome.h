#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What one firing of a deeplink did on the device, as far as the tools tell: who took the URL,
// how the app started, how long it took, the screenshot taken after it. The window's status
// line, the History and kestrine-cli's reports all read this one type.
struct FiringOutcome {
    enum class Result {
        Opened,    // a handler took it
        Browser,   // a web browser took it
        Chooser,   // Android asked the user which app should open it
        Delivered, // the running app's top activity received it
        NoHandler, // nothing on the device can open it
        Failed,    // any other error: `message` is the tool's
    };
    enum class Launch { Unknown, Cold, Warm, Hot };

    // Initialised so that GCC accepts designated initialisers that leave members out.
    Result result = Result::Opened;
    QString handler{};     // "com.example.shop/.ProductActivity", "com.example.shop"; "" unknown
    QString handlerName{}; // the handler's display name ("Shop") when known
    Launch launch = Launch::Unknown;
    std::optional<qint64> totalTimeMs{};
    std::optional<qint64> processId{}; // of the launched app, when the tool says
    QString screenshot{};              // the file written after the firing; "" none
    QString message{};                 // no-handler and failed: why, as the tool said it
    QStringList notes{};               // remarks that do not change the result

    [[nodiscard]] static FiringOutcome failed(QString message);

    // No-handler and failed: the URL went nowhere.
    [[nodiscard]] bool isFailure() const {
        return result == Result::NoHandler || result == Result::Failed;
    }
    // Browser and chooser: fired, but no app of the user's own took it.
    [[nodiscard]] bool isWarning() const {
        return result == Result::Browser || result == Result::Chooser;
    }

    // "opened", "browser", "chooser", "delivered", "no-handler", "failed".
    [[nodiscard]] static QString resultName(Result result);
    [[nodiscard]] static std::optional<Result> resultNamed(QStringView name);
    // "cold", "warm", "hot"; "" when unknown.
    [[nodiscard]] static QString launchName(Launch launch);
    [[nodiscard]] static Launch launchNamed(QStringView name);

    // One sentence for a person: "Opened in Shop (com.example.shop/.ProductActivity), cold
    // start, 512 ms", "Fell back to com.android.chrome: no app claims https://shop.example/p",
    // "Android asked which app should open it". `url` is the URL fired.
    [[nodiscard]] QString summary(const QString& url) const;

    bool operator==(const FiringOutcome&) const = default;
};
