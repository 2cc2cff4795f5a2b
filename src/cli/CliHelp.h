#pragma once

#include <QString>
#include <QStringView>

// kestrine-cli's help texts: the tool's own (--help, or no command) and each command's
// (COMMAND --help), byte for byte as printed.
class CliHelp {
public:
    CliHelp() = delete;

    [[nodiscard]] static QString global();
    // The help of `command`; empty for a name that is no command.
    [[nodiscard]] static QString command(QStringView command);
};
