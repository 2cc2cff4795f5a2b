#include "cli/KestrineCli.h"

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/CliStopSignals.h"

#include <optional>

int KestrineCli::run(const QStringList& arguments) {
    const std::variant<CliArguments, int> parsed = CliArguments::parse(arguments);
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    const CliArguments& command = std::get<CliArguments>(parsed);
    // Commands that run tools take stop signals their own way; the others end at once, as ever.
    std::optional<CliStopSignals> stopSignals;
    if (command.command == u"destinations" || command.command == u"open" ||
        command.command == u"run")
        stopSignals.emplace();
    const int status = CliCommands::perform(command);
    if (stopSignals && stopSignals->first() != 0)
        return StoppedBySignal + stopSignals->first();
    return status;
}
