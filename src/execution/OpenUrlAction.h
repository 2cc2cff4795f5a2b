#pragma once

#include "platform/FiringOutcome.h"

#include <QString>

#include <functional>

class Deeplink;

// What a view asks to fire: the URL's stored text, which goes to the tools unchanged, and the
// title of the deeplink it comes from ("" for a URL typed into Open URL).
struct FiringRequest {
    QString url;
    QString title{};

    // What firing `deeplink` asks for: the one place its stored text becomes the URL fired,
    // which Execute, the automated run and the QR code all use.
    [[nodiscard]] static FiringRequest forDeeplink(const Deeplink& deeplink);
};

// Called once with what a firing did; never when the window went away before it ended.
using FiringDone = std::function<void(const FiringOutcome& outcome)>;

// A std::function alias (not a QAction): the window's open-URL action. Every view that fires a
// deeplink hands its request to it, with `done` (may be empty) to hear the outcome.
using OpenUrlAction = std::function<void(const FiringRequest& request, FiringDone done)>;
