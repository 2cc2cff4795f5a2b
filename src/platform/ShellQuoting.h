#pragma once

#include <QString>
#include <QStringList>

// Words for a POSIX shell (sh, dash, bash, zsh, mksh, Android's shell).
namespace ShellQuoting {

// `word` as the shell reads back exactly: as it is when it holds only characters no shell treats
// specially ([A-Za-z0-9_@%+=:,./-], not empty), else in single quotes, a quote written as '\''.
[[nodiscard]] QString quoted(const QString& word);

// The words quoted and joined with spaces: one command line that runs `argv`.
[[nodiscard]] QString joined(const QStringList& argv);

} // namespace ShellQuoting
