#include "CliOptions.h"

#include "ServerList.h"

const char* CliUsage() {
    return R"(Usage:
  quarrix-cli scan FROM TO [--ports 27015,27016] [--wait-ms N] [--format tsv|json]
                           [--require] [--local-port N] [--receive-buffer BYTES]
  quarrix-cli query IP[:PORT] [--players] [--rules] [--wait-ms N] [--format tsv|json]
                              [--require] [--local-port N]
  quarrix-cli lan [--ports 27015,27016] [--wait-ms N] [--format tsv|json] [--require]
  quarrix-cli --help

scan   Sends the info requests of both query dialects (the text one of older servers
       and the binary one of today's, with its challenge round trip) to every address
       from FROM to TO (either order) and every port of --ports (default 27015), address by address in ascending order, ports in
       list order, skipping addresses whose last part is 0 or 255, as the window's scan
       does, for both game versions. Waits --wait-ms milliseconds (default 1500) after
       the last request, then prints every server that answered, ordered by address
       and port.
query  Asks one server (port 27015 when none is given) for its info in both dialects
       and, when asked, its players and its rules in the dialect it answered (binary:
       with the challenge round trips and split replies); waits up to --wait-ms for
       each answer.
lan    Sends the info requests of both dialects to the broadcast address of every
       network interface that is up and can broadcast, on every port of --ports
       (default 27015 to 27020), as the window's "搜索局域网" does; listens --wait-ms
       milliseconds (default 1500), answering challenges, then prints every server that
       answered, ordered by address and port. What it did goes to standard error.

Output (--format tsv, the default): one line per server, tab-separated:
  name  ip  port  map  players  max  protocol  password  response-ms  dialect  bots
  os  vac  folder  version
query adds "player<TAB>number<TAB>name<TAB>frags" and "rule<TAB>name<TAB>value" lines.
--format json prints one JSON object per server and line, with the keys name, ip, port,
map, players, max, protocol, password, response_ms, dialect, bots, os, vac, folder,
version; query adds player_list and rules.
protocol is the version tag: 46 Counter-Strike 1.5, 47 Counter-Strike 1.6 (also for
the protocol 48 of today's servers), 0 for a game other than Counter-Strike (folder
says which). dialect is "text" or "binary": the query dialect the server answered in
(binary when it answered both). os is linux, windows or mac; vac true or false; bots,
os, vac and version are empty (null) where the server does not tell them.
Names are converted from GBK to UTF-8; tabs and line breaks in them become blanks.
response-ms is the time from the request to that address and port until its answer.

--local-port N  sends from local port N (for example 27005); when it is taken, a port
                of the system's choosing is used. Default: the system chooses.
--receive-buffer BYTES
                asks the system for a receive buffer of BYTES as an ordinary user
                would (capped by the system's limit). Default: 8 MiB, past the limit
                where the process may. Answers are read on a thread of their own and the
                scan keeps to the pace they are read at, so none is lost either way.
--require       no answer at all is exit code 1.

Exit codes: 0 done (also when nothing answered), 1 nothing answered with --require,
2 bad input (the message is written to standard error), 3 no socket.
)";
}

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    CliOptions o;
    if (args.empty()) {
        error = "no command";
        return std::nullopt;
    }
    size_t i = 0;
    const std::string& command = args[i++];
    if (command == "--help" || command == "-h" || command == "help")
        return o;
    if (command == "scan")
        o.What = CliOptions::Command::Scan;
    else if (command == "query")
        o.What = CliOptions::Command::Query;
    else if (command == "lan")
        o.What = CliOptions::Command::Lan;
    else {
        error = "unknown command '" + command + "'";
        return std::nullopt;
    }
    auto value = [&](const std::string& name) -> std::optional<std::string> {
        if (i >= args.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        return args[i++];
    };
    auto number = [&](const std::string& name, int low, int high) -> std::optional<int> {
        const auto text = value(name);
        if (!text)
            return std::nullopt;
        const auto n = ParseInt32(*text);
        if (!n || *n < low || *n > high) {
            error = name + " wants a number from " + std::to_string(low) + " to " +
                    std::to_string(high);
            return std::nullopt;
        }
        return *n;
    };
    bool portsGiven = false;
    bool localSocket = false;
    while (i < args.size()) {
        const std::string arg = args[i++];
        if (arg == "--help" || arg == "-h") {
            o.What = CliOptions::Command::Help;
            return o;
        } else if (arg == "--ports") {
            const auto v = value(arg);
            if (!v)
                return std::nullopt;
            o.Ports = *v;
            portsGiven = true;
        } else if (arg == "--wait-ms") {
            const auto n = number(arg, 0, 600000);
            if (!n)
                return std::nullopt;
            o.WaitMs = *n;
        } else if (arg == "--local-port") {
            const auto n = number(arg, 0, 65535);
            if (!n)
                return std::nullopt;
            o.LocalPort = *n;
            localSocket = true;
        } else if (arg == "--receive-buffer") {
            const auto n = number(arg, 1, 1 << 30);
            if (!n)
                return std::nullopt;
            o.ReceiveBuffer = *n;
            localSocket = true;
        } else if (arg == "--format") {
            const auto v = value(arg);
            if (!v)
                return std::nullopt;
            if (*v == "tsv")
                o.OutputFormat = CliOptions::Format::Tsv;
            else if (*v == "json")
                o.OutputFormat = CliOptions::Format::Json;
            else {
                error = "--format is tsv or json";
                return std::nullopt;
            }
        } else if (arg == "--players") {
            o.Players = true;
        } else if (arg == "--rules") {
            o.Rules = true;
        } else if (arg == "--require") {
            o.Require = true;
        } else if (arg.size() > 1 && arg.starts_with("--")) {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        } else {
            o.Arguments.push_back(arg);
        }
    }
    if (o.What == CliOptions::Command::Lan) {
        if (!o.Arguments.empty()) {
            error = "lan takes no address";
            return std::nullopt;
        }
        if (o.Players || o.Rules || localSocket) {
            error = "--players, --rules, --local-port and --receive-buffer do not belong to lan";
            return std::nullopt;
        }
        if (!portsGiven)
            o.Ports = "27015,27016,27017,27018,27019,27020";
        return o;
    }
    const size_t wanted = o.What == CliOptions::Command::Scan ? 2 : 1;
    if (o.Arguments.size() != wanted) {
        error = o.What == CliOptions::Command::Scan ? "scan wants FROM and TO"
                                                    : "query wants IP[:PORT]";
        return std::nullopt;
    }
    if (o.What == CliOptions::Command::Scan && (o.Players || o.Rules)) {
        error = "--players and --rules belong to query";
        return std::nullopt;
    }
    return o;
}
