// quarrix-cli: the scan, the LAN search and the server query of Quarrix without a window.
#include "CliOptions.h"
#include "LanCommand.h"
#include "QueryCommand.h"
#include "ScanCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = ParseCliOptions(args, error);
    if (!options) {
        std::cerr << "quarrix-cli: " << error << "\n\n" << CliUsage();
        return ExitBadInput;
    }
    switch (options->What) {
    case CliOptions::Command::Scan:
        return RunScan(*options);
    case CliOptions::Command::Query:
        return RunQuery(*options);
    case CliOptions::Command::Lan:
        return RunLan(*options);
    case CliOptions::Command::Help:
        break;
    }
    std::cout << CliUsage();
    return ExitOk;
}
