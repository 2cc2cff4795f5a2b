#pragma once

#include "platform/FiringOutcome.h"

#include <QString>

#include <functional>

class Deeplink;

// What a view asks to fire: the URL, which goes to the tools unchanged, and the title of the
// deeplink it comes from ("" for a URL typed into Open URL). With a `problem` (its variables
// leave no URL) nothing goes out: the problem is reported as the firing's failure.
struct FiringRequest {
    QString url;
    QString title{};
    QString problem{};

    // What firing `deeplink` asks for before its variables are filled (the window's Firing
    // fills them): its stored text and title.
    [[nodiscard]] static FiringRequest forDeeplink(const Deeplink& deeplink);
};

// Called once with what a firing did; never when the window went away before it ended.
using FiringDone = std::function<void(const FiringOutcome& outcome)>;

// A std::function alias (not a QAction): the window's open-URL action. Every view that fires a
// deeplink hands its request to it, with `done` (may be empty) to hear the outcome.
using OpenUrlAction = std::function<void(const FiringRequest& request, FiringDone done)>;
