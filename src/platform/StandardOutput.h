#pragma once

#include <QString>

// The few lines Kestrine's windowed app writes to standard output for scripts that watch it
// (a failed firing, an export's result, an unresolved store error). The command-line tool's own
// output goes through CliOutput instead.
namespace StandardOutput {

// Writes `line` as UTF-8 with a line end and flushes at once, so that a reader on a pipe sees
// it before the app does anything else.
void printLine(const QString& line);

} // namespace StandardOutput
