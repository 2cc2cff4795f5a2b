#pragma once

#include <QString>

#include <functional>

// A std::function alias (not a QAction): the window's open-URL action. Every view that fires a
// deeplink hands the URL's stored text to it, which goes to the tools unchanged.
using OpenUrlAction = std::function<void(const QString&)>;
