#pragma once

// Brings Kestrine's own window to the front, for systems without the AppleScript interpreter.
namespace WindowActivator {

// Raises and activates Kestrine's main window (else its active window, else any visible one).
// Succeeds without action when there is no window to bring forward.
void activateKestrine();

} // namespace WindowActivator
