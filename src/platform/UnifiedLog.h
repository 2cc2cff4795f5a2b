#pragma once

struct LogRecord;

// The Mac's unified log (os_log), the structured system log there as the systemd journal is on
// Linux: Logger hands it each line when the build chose it (KESTRINE_OSLOG, macOS only).
// Every line goes under the subsystem app.kestrine.Kestrine and the logger's category, so
//   log stream --level debug --predicate 'subsystem == "app.kestrine.Kestrine"'
// shows all of Kestrine; the text is public, as the journal's is.
namespace UnifiedLog {

void write(const LogRecord& record);

} // namespace UnifiedLog
