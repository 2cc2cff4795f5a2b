#pragma once

// Raises and activates Kestrine's main window (else its active window, else any visible one);
// the window activator's handler wherever Kestrine has windows.
namespace MainWindowActivator {

// Installs `raiseKestrineWindow` as the window activator's handler.
void install();

// Does nothing when there is no window to bring forward.
void raiseKestrineWindow();

} // namespace MainWindowActivator
