#pragma once

#include "store/Variable.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <variant>

// What one kestrine-cli command line asks for, and the parser that reads it. Global options
// (--help, --version, --xcode, --adb) come before the command; the command's own options, and
// --xcode and --adb again, after it.
class CliArguments {
public:
    QString command{};
    QStringList positional{};
    bool json = false;
    std::optional<QString> xcode{};
    std::optional<QString> adb{};
    std::optional<QString> destination{};
    std::optional<QString> app{};
    std::optional<QString> junit{};
    std::optional<QString> output{};
    int intervalMilliseconds = 2000;
    bool stopOnFailure = false;
    bool replace = false;
    std::optional<std::chrono::milliseconds> timeout{}; // for firing; none: the standard one
    bool boot = false;
    bool cold = false;
    std::optional<QString> screenshots{};              // the directory
    std::optional<std::chrono::milliseconds> settle{}; // none: the standard one
    std::optional<QString> expectApp{};
    bool strict = false;
    std::optional<QString> environment{}; // --env NAME
    std::optional<QString> collection{};  // open's --collection C, whose environments --env names
    QList<Variable> variables{};          // --var name=value; a name given twice, the last value
    bool dryRun = false;                  // print each firing's command line instead of running it

    // Reads `arguments` as QCoreApplication::arguments() gives them, the program first. Either
    // what they ask for, or the exit status when there is nothing left to do: help or the
    // version printed (success), or a usage error printed.
    [[nodiscard]] static std::variant<CliArguments, int> parse(const QStringList& arguments);

    // Prints `message` and a pointer to --help on standard error; returns the usage error's
    // exit status.
    static int usageError(const QString& message);
};
