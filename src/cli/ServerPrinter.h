#pragma once

#include "CliOptions.h"
#include "ServerRows.h"
#include "ServerStructure.h"

#include <cstdint>
#include <string>
#include <vector>

// One player and one rule as query prints them (GBK texts).
struct PrintedPlayer {
    std::string Number, Name, Frags;
};
struct PrintedRule {
    std::string Name, Value;
};

// Formats servers for standard output, GBK converted to UTF-8.
class ServerPrinter {
public:
    explicit ServerPrinter(CliOptions::Format format) : Format(format) {}

    // One line (without its line break) for a server row.
    std::string Line(const ServerStructure& row) const;
    // One line for a queried server with its players and rules (json), or several
    // lines (tsv); players/rules are printed only when `withPlayers`/`withRules`.
    std::string Details(const ServerStructure& row, bool withPlayers,
                        const std::vector<PrintedPlayer>& players, bool withRules,
                        const std::vector<PrintedRule>& rules) const;

private:
    CliOptions::Format Format;
};

// "text", "binary", or empty when not known.
std::string DialectText(QueryDialect dialect);
// "linux", "windows", "mac", or empty when not told.
std::string OsText(char os);

// The rows in address order (rows whose IP is not an address last), a line each, on
// standard output. The number of rows printed.
size_t PrintInAddressOrder(const ServerRows& rows, const ServerPrinter& printer);

// "27015,27016": every piece a port number 1..65535; false for anything else or nothing.
bool ParsePortList(const std::string& text, std::vector<int32_t>& ports);

// A window message (MessageTable index, caption index) as a line for standard error.
std::string MessageLine(int message, int caption);
