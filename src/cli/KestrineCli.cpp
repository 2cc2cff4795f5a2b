#include "cli/KestrineCli.h"

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"

int KestrineCli::run(const QStringList& arguments) {
    const std::variant<CliArguments, int> parsed = CliArguments::parse(arguments);
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    return CliCommands::perform(std::get<CliArguments>(parsed));
}
