#pragma once

#include <QString>

#include <functional>

// The window's open-URL action: every view that fires a deeplink hands the URL's stored text
// to it, which goes to the tools unchanged.
using OpenUrlAction = std::function<void(const QString&)>;
