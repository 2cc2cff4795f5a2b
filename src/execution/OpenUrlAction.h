#pragma once

#include <QUrl>

#include <functional>

// The window's open-URL action: every view that fires a deeplink hands the URL to it.
using OpenUrlAction = std::function<void(const QUrl&)>;
