#include "updates/UpdateCheckResult.h"

QString UpdateCheckResult::heading() const {
    switch (outcome) {
    case Outcome::UpToDate:
        return QStringLiteral("You\u2019re up to date!");
    case Outcome::UpdateAvailable:
        return QStringLiteral("A new version of Kestrine is available!");
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("Kestrine couldn\u2019t check for updates");
}

QString UpdateCheckResult::text() const {
    switch (outcome) {
    case Outcome::UpToDate:
        return QStringLiteral("Kestrine %1 is currently the newest version available.")
            .arg(currentVersion);
    case Outcome::UpdateAvailable:
        return QStringLiteral(
                   "Kestrine %1 is now available\u2014you have %2. Would you like to download it?")
            .arg(item.displayVersion(), currentVersion);
    case Outcome::Failed:
        break;
    }
    switch (failure) {
    case Failure::NotConfigured:
        return QStringLiteral("This copy of Kestrine has no valid address to look for updates "
                              "at. Check the update feed address in the settings.");
    case Failure::Unreachable:
        return QStringLiteral("Kestrine couldn\u2019t reach the update server. Check your "
                              "internet connection and try again.");
    case Failure::BadResponse:
        return QStringLiteral("The update server sent an answer Kestrine couldn\u2019t "
                              "understand. Please try again later.");
    case Failure::HttpError:
        return QStringLiteral("The update server answered with an error (HTTP %1). Please try "
                              "again later.")
            .arg(httpStatus);
    case Failure::MalformedFeed:
    case Failure::None:
        break;
    }
    return QStringLiteral("The update information from the server couldn\u2019t be read. Please "
                          "try again later.");
}
