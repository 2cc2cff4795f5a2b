#pragma once

#include <QString>
#include <QStringView>

// The few lines Kestrine's windowed app writes to standard output for scripts that watch it
// (a failed firing, an export's result, an unresolved store error). The command-line tool's own
// output goes through CliOutput instead.
namespace StandardOutput {

// Writes `line` as UTF-8 with a line end and flushes at once, so that a reader on a pipe sees
// it before the app does anything else.
void printLine(const QString& line);

// `field` as a terminal may show it inside a line of text output: controls (C0, DEL, C1) as
// \e, \t, \n, \r or \xHH and a backslash as \\, so a title can neither drive the terminal
// (ESC ] 52 writes the clipboard) nor forge a row or a column.
[[nodiscard]] QString escaped(QStringView field);

} // namespace StandardOutput
