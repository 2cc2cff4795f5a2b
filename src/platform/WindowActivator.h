#pragma once

#include <functional>

// Brings Kestrine's own window to the front, for systems without the AppleScript interpreter.
// The user interface installs what raises its window; without one (no window, as on the command
// line) activation succeeds without action.
namespace WindowActivator {

// Replaces what `activateKestrine` does; an empty function restores the default (nothing).
void setHandler(std::function<void()> handler);

void activateKestrine();

} // namespace WindowActivator
