// quarrix-fakeserver: serves simulated Counter-Strike servers on loopback addresses
// until interrupted, for trying Quarrix and other clients by hand or from scripts.

#include "FakeServer.h"
#include "Gbk.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* const Usage =
    R"(Usage: quarrix-fakeserver [OPTION]...
Serves simulated Counter-Strike 1.5/1.6 servers (Half-Life engine query protocol:
info, players and rules requests, as text or binary queries) on loopback addresses
until SIGINT or SIGTERM.

  --server IP:PORT[,KEY=VALUE|FLAG]...
        one simulated server. Keys and flags:
          name=TEXT           server name, UTF-8 here, sent as GBK
          map=NAME            current map (default de_dust2)
          players=N           player count (players answer lists N made-up players)
          max=N               player limit (default 16)
          protocol=46|47|48   46 Counter-Strike 1.5, 47 Counter-Strike 1.6 (default; its
                              binary 'I' reply says 48, as today's servers do), 48
          gamedir=NAME        game folder (default cstrike)
          password=0|1        password flag (default 0)
          address=IP:PORT     address the info answer reports (default IP:PORT)
          silent              record requests but never answer
          copies=N            send every answer N times (default 1)
          delay=MS            answer MS milliseconds late
          hostile=KIND        answer info requests as a broken server would: oversize,
                              truncated-header, no-terminating-zero, many-pairs,
                              address-past-pairs, empty-address, forged-address,
                              address-with-extra, binary-name, non-numeric-counts,
                              non-numeric-protocol
                              or challenge-for-ever: every binary request is answered
                              with a new challenge (binary dialect)
          rules-size=N        a rules answer of exactly N bytes (16..65000)
          dialect=D           text (default), binary or both: the requests answered
          challenge=0|1       the binary info request needs the challenge round trip
          info=I|m|both       the binary info reply: 'I' (default), the older 'm', or both
          rules-split=N       the binary rules reply in N pieces (2..15), sent shuffled
          bots=N              bots among the players (binary replies)
          version=TEXT        the server's version text ('I' reply)
        A comma inside a value is written "\,".
  --farm COUNT FIRST_IP PORT[,PORT...][,KEY=VALUE|FLAG...]
        COUNT addresses counting up from FIRST_IP (last octets 0 and 255 skipped),
        one server on each PORT of each address, named "Fake #N" with N from 1 in
        the order address, then port; the keys and flags of --server apply to each.
  --seconds N   stop by itself after N seconds
  --log         print every request received: "request SERVER KIND FROM HEX"
                (KIND i info, p players, r rules; T info, U players, V rules of the
                binary dialect; ? other)
  --help        show this text

Only addresses in 127.0.0.0/8 are served or reported. Once every socket is bound,
one line "ready N servers" is printed.
)";

template <typename T> std::optional<T> Number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Splits "IP:PORT" into its parts; false when the port is not 1..65535.
bool SplitAddress(std::string_view text, std::string& ip, uint16_t& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return false;
    const auto value = Number<unsigned>(text.substr(colon + 1));
    if (!value || *value == 0 || *value > 65535)
        return false;
    ip = std::string(text.substr(0, colon));
    port = uint16_t(*value);
    return true;
}

// Splits at commas not written as "\,".
std::vector<std::string> SplitFields(std::string_view text) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == ',') {
            fields.back().push_back(',');
            ++i;
        } else if (text[i] == ',') {
            fields.emplace_back();
        } else {
            fields.back().push_back(text[i]);
        }
    }
    return fields;
}

bool Fail(const std::string& message) {
    std::cerr << "quarrix-fakeserver: " << message << '\n';
    return false;
}

std::optional<HostileInfo> Hostile(std::string_view name) {
    for (const HostileInfo kind : AllHostileInfo)
        if (HostileInfoName(kind) == name)
            return kind;
    return std::nullopt;
}

// One KEY=VALUE or FLAG of a server; false (reported) for anything else.
bool ParseOption(const std::string& field, FakeServerConfig& config,
                 std::optional<HostileInfo>& hostile) {
    const size_t equals = field.find('=');
    const std::string key = field.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : field.substr(equals + 1);
    const auto number = Number<int>(value);
    if (key == "silent" && equals == std::string::npos) {
        config.Silent = true;
    } else if (key == "name") {
        config.Name = Utf8ToGbk(value);
    } else if (key == "map") {
        config.Map = value;
    } else if (key == "gamedir" && !value.empty()) {
        config.GameDir = value;
    } else if (key == "address") {
        std::string ip;
        uint16_t port = 0;
        if (!SplitAddress(value, ip, port) || !IsLoopbackAddress(ip))
            return Fail("bad or non-loopback address=" + value);
        config.ReportedAddress = value;
    } else if (key == "players" && number && *number >= 0 && *number <= 255) {
        config.Players = *number;
    } else if (key == "max" && number && *number >= 0 && *number <= 255) {
        config.MaxPlayers = *number;
    } else if (key == "protocol" && number && *number >= 46 && *number <= 48) {
        config.Protocol = *number;
    } else if (key == "password" && number && (*number == 0 || *number == 1)) {
        config.Password = *number == 1;
    } else if (key == "copies" && number && *number >= 0 && *number <= 100) {
        config.Copies = *number;
    } else if (key == "delay" && number && *number >= 0 && *number <= 600000) {
        config.DelayMs = *number;
    } else if (key == "hostile" && value == "challenge-for-ever") {
        config.ChallengeForEver = true;
    } else if (key == "hostile" && Hostile(value)) {
        hostile = Hostile(value);
    } else if (key == "rules-size" && number && *number >= 16 && *number <= 65000) {
        config.RawRules = BuildRulesAnswerOfSize(size_t(*number));
    } else if (key == "dialect" && (value == "text" || value == "binary" || value == "both")) {
        config.Dialect = value == "text"     ? FakeDialect::Text
                         : value == "binary" ? FakeDialect::Binary
                                             : FakeDialect::Both;
    } else if (key == "challenge" && number && (*number == 0 || *number == 1)) {
        config.Challenge = *number == 1;
    } else if (key == "info" && (value == "I" || value == "m" || value == "both")) {
        config.InfoForm = value == "I"   ? FakeInfoForm::I
                          : value == "m" ? FakeInfoForm::M
                                         : FakeInfoForm::Both;
    } else if (key == "rules-split" && number && *number >= 2 && *number <= 15) {
        config.RulesSplit = *number;
    } else if (key == "bots" && number && *number >= 0 && *number <= 255) {
        config.Bots = *number;
    } else if (key == "version") {
        config.Version = value;
    } else {
        return Fail("bad server option " + field);
    }
    return true;
}

bool ParseServer(std::string_view text, FakeServerConfig& config) {
    const std::vector<std::string> fields = SplitFields(text);
    if (!SplitAddress(fields[0], config.Ip, config.Port))
        return Fail("bad address " + fields[0] + " (expected IP:PORT)");
    if (!IsLoopbackAddress(config.Ip))
        return Fail("refused " + config.Ip + ": only 127.0.0.0/8 is served");
    std::optional<HostileInfo> hostile;
    for (size_t i = 1; i < fields.size(); ++i)
        if (!ParseOption(fields[i], config, hostile))
            return false;
    // Built last, so that it carries the name and address given in any order.
    if (hostile)
        config.RawInfo = BuildHostileInfoAnswer(*hostile, config);
    return true;
}

bool AddFarm(FakeServerFarm& farm, std::string_view count, std::string_view firstIp,
             std::string_view ports) {
    const auto n = Number<int>(count);
    if (!n || *n <= 0 || *n > 1000000)
        return Fail("bad farm count " + std::string(count));
    if (!IsLoopbackAddress(firstIp))
        return Fail("refused " + std::string(firstIp) + ": only 127.0.0.0/8 is served");
    std::vector<uint16_t> portList;
    FakeServerConfig base;
    std::optional<HostileInfo> hostile;
    for (const std::string& p : SplitFields(ports)) {
        const auto port = Number<unsigned>(p);
        if (!port && !p.empty() && (p[0] < '0' || p[0] > '9')) {
            if (!ParseOption(p, base, hostile))
                return false;
            continue;
        }
        if (!port || *port == 0 || *port > 65535)
            return Fail("bad farm port " + p);
        portList.push_back(uint16_t(*port));
    }
    if (portList.empty())
        return Fail("farm without a port");
    int serial = 0;
    for (int i = 0; i < *n; ++i) {
        const std::string ip = FarmAddress(firstIp, i);
        if (ip.empty())
            return Fail("farm runs past 127.255.255.254");
        for (uint16_t port : portList) {
            FakeServerConfig config = base;
            config.Ip = ip;
            config.Port = port;
            config.Name = "Fake #" + std::to_string(++serial);
            if (hostile)
                config.RawInfo = BuildHostileInfoAnswer(*hostile, config);
            if (farm.Add(std::move(config)) < 0)
                return Fail(farm.LastError());
        }
    }
    return true;
}

std::string Hex(std::string_view data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : data) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    FakeServerFarm farm;
    std::optional<int> seconds;
    bool log = false;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const size_t left = args.size() - i - 1;
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            return 0;
        } else if (arg == "--server" && left >= 1) {
            FakeServerConfig config;
            if (!ParseServer(args[++i], config))
                return 2;
            if (farm.Add(std::move(config)) < 0)
                return Fail(farm.LastError()), 2;
        } else if (arg == "--farm" && left >= 3) {
            if (!AddFarm(farm, args[i + 1], args[i + 2], args[i + 3]))
                return 2;
            i += 3;
        } else if (arg == "--seconds" && left >= 1) {
            seconds = Number<int>(args[++i]);
            if (!seconds || *seconds < 0)
                return Fail("bad --seconds " + std::string(args[i])), 2;
        } else if (arg == "--log") {
            log = true;
        } else {
            Fail("unknown or incomplete option " + std::string(arg) + " (see --help)");
            return 2;
        }
    }
    if (farm.ServerCount() == 0)
        return Fail("no server given (see --help)"), 2;

    // Blocked before the worker starts, so only the wait below ever takes these signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    if (!farm.Start())
        return Fail(farm.LastError()), 1;
    std::cout << "ready " << farm.ServerCount() << " servers" << std::endl;

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(seconds.value_or(0));
    size_t printed = 0;
    for (;;) {
        const timespec tick{0, 100 * 1000 * 1000};
        if (sigtimedwait(&stopSignals, nullptr, &tick) >= 0)
            break;
        if (log && farm.RequestCount() > printed) {
            const auto requests = farm.Requests();
            for (; printed < requests.size(); ++printed) {
                const auto& r = requests[printed];
                std::cout << "request " << r.Server << ' ' << r.Kind << ' ' << r.FromIp << ':'
                          << r.FromPort << ' ' << Hex(r.Data) << '\n';
            }
            std::cout.flush();
        }
        if (seconds && std::chrono::steady_clock::now() >= deadline)
            break;
    }
    farm.Stop();
    return 0;
}
