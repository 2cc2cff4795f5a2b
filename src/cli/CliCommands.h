#pragma once

#include "cli/CliArguments.h"

// The commands of kestrine-cli (destinations, collections, deeplinks, open, run, export, import
// and qr) over the app's store and settings and the destinations' tools. Each prints its
// result and gives the process's exit status.
class CliCommands {
public:
    CliCommands() = delete;

    // Performs the command `arguments` names, one CliArguments::parse accepted.
    [[nodiscard]] static int perform(const CliArguments& arguments);
};
