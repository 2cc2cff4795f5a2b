#pragma once

#include <QString>
#include <QUrl>

// Plain value struct: one release offered by the update feed (an item of an Appcast).
struct AppcastItem {
    QString title;
    // The version compared with Kestrine's own (sparkle:version).
    QString version;
    // The version shown to people (sparkle:shortVersionString); may be empty.
    QString shortVersionString;
    // Where the release is downloaded: the enclosure, or the item's link when it has none.
    // Always https.
    QUrl downloadURL;
    // Release notes as the feed gives them (HTML or plain text); may be empty.
    QString releaseNotes;
    // A page with the release notes (sparkle:releaseNotesLink); https, or empty.
    QUrl releaseNotesURL;
    // The oldest operating system version the release runs on; may be empty.
    QString minimumSystemVersion;

    [[nodiscard]] QString displayVersion() const {
        return shortVersionString.isEmpty() ? version : shortVersionString;
    }

    friend bool operator==(const AppcastItem&, const AppcastItem&) = default;
};
