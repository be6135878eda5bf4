#pragma once

#include <optional>
#include <string>
#include <vector>

// The command line of quarrix-cli, as parsed; texts are UTF-8 from the terminal.
struct CliOptions {
    enum class Command { Help, Scan, Query, Lan };
    enum class Format { Tsv, Json };

    Command What = Command::Help;
    std::vector<std::string> Arguments; // FROM TO, or IP[:PORT]; none for lan
    std::string Ports = "27015";        // --ports, comma-separated (lan: 27015 to 27020)
    int WaitMs = 1500;                  // --wait-ms
    Format OutputFormat = Format::Tsv;  // --format
    bool Players = false;               // --players
    bool Rules = false;                 // --rules
    bool Require = false;               // --require: no answer is exit code 1
    int LocalPort = 0;                  // --local-port: 0 lets the system choose
    int ReceiveBuffer = 0;              // --receive-buffer: 0 asks for the default
};

// Parses argv; on a usage error returns nothing and sets `error`.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
const char* CliUsage();

// Exit codes.
enum CliExit { ExitOk = 0, ExitNoAnswer = 1, ExitBadInput = 2, ExitSocket = 3 };
