#include "FakeServer.h"

#include <algorithm>
#include <cstring>

namespace {

const std::string Prefix("\xFF\xFF\xFF\xFF", 4);

// Strict dotted quad: four decimal numbers from 0 to 255, nothing else.
bool ParseIpv4(std::string_view text, uint32_t& out) {
    uint32_t value = 0;
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        unsigned part = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            part = part * 10 + unsigned(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits > 3 || part > 255)
            return false;
        value = (value << 8) | part;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.')
                return false;
            ++i;
        }
    }
    if (i != text.size())
        return false;
    out = value;
    return true;
}

std::string FormatIpv4(uint32_t value) {
    return std::to_string(value >> 24) + '.' + std::to_string((value >> 16) & 255) + '.' +
           std::to_string((value >> 8) & 255) + '.' + std::to_string(value & 255);
}

void PutInt32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

void PutFloat(std::string& out, float value) {
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    PutInt32(out, bits);
}

} // namespace

std::vector<std::pair<std::string, std::string>> DefaultFakeRules() {
    return {{"_tutor_bomb_viewable_check_interval", "0.5"},
            {"_tutor_debug_level", "0"},
            {"_tutor_view_distance", "1000"},
            {"allow_spectators", "1.0"},
            {"coop", "0"},
            {"deathmatch", "1"},
            {"decalfrequency", "30"},
            {"edgefriction", "2"},
            {"max_queries_sec", "3.0"},
            {"metamod_version", "1.21"},
            {"mp_allowspectators", "1.0"},
            {"mp_autokick", "0"},
            {"mp_autoteambalance", "1"},
            {"mp_buytime", "1.5"},
            {"mp_c4timer", "35"},
            {"mp_chattime", "10"},
            {"mp_consistency", "1"},
            {"mp_fadetoblack", "0"},
            {"mp_falldamage", "0"},
            {"mp_flashlight", "1"},
            {"mp_footsteps", "1"},
            {"mp_forcecamera", "0"},
            {"mp_forcechasecam", "0"},
            {"mp_fragsleft", "0"},
            {"mp_freezetime", "3"},
            {"mp_friendlyfire", "0"},
            {"mp_ghostfrequency", "0.1"},
            {"mp_hostagepenalty", "13"},
            {"mp_kickpercent", "0.66"},
            {"mp_limitteams", "2"},
            {"mp_logdetail", "0"},
            {"mp_logmessages", "1"},
            {"mp_mapvoteratio", "0.66"},
            {"mp_maxrounds", "0"},
            {"mp_mirrordamage", "0"},
            {"mp_playerid", "0"},
            {"mp_roundtime", "3"},
            {"mp_startmoney", "800"},
            {"mp_timeleft", "0"},
            {"mp_timelimit", "30"},
            {"mp_tkpunish", "0"},
            {"mp_winlimit", "0"},
            {"pausable", "0"},
            {"sv_accelerate", "5"},
            {"sv_aim", "0"},
            {"sv_airaccelerate", "10"},
            {"sv_allowupload", "1"},
            {"sv_alltalk", "0"},
            {"sv_bounce", "1"},
            {"sv_cheats", "0"},
            {"sv_clienttrace", "1"},
            {"sv_contact", ""},
            {"sv_friction", "4"},
            {"sv_gravity", "800"},
            {"sv_logblocks", "0"},
            {"sv_maxrate", "20000"},
            {"sv_maxspeed", "320"},
            {"sv_minrate", "0"},
            {"sv_password", "0"},
            {"sv_proxies", "1"},
            {"sv_restart", "0"},
            {"sv_restartround", "0"},
            {"sv_stepsize", "18"},
            {"sv_stopspeed", "75"},
            {"sv_uploadmax", "0.5"},
            {"sv_voiceenable", "1"},
            {"sv_wateraccelerate", "10"},
            {"sv_waterfriction", "1"}};
}

std::string ReportedAddressOf(const FakeServerConfig& config) {
    if (!config.ReportedAddress.empty())
        return config.ReportedAddress;
    return config.Ip + ':' + std::to_string(config.Port);
}

std::string BuildInfoAnswer(const FakeServerConfig& config) {
    std::string out = Prefix;
    out += "infostringresponse";
    out.push_back('\0');
    auto pair = [&out](std::string_view key, std::string_view value) {
        out += '\\';
        out += key;
        out += '\\';
        out += value;
    };
    pair("protocol", std::to_string(config.Protocol));
    pair("address", ReportedAddressOf(config));
    pair("players", std::to_string(config.Players));
    pair("proxytarget", "0");
    pair("lan", "0");
    pair("max", std::to_string(config.MaxPlayers));
    pair("gamedir", config.GameDir);
    pair("description", config.Description);
    pair("hostname", config.Name);
    pair("map", config.Map);
    pair("type", "d");
    pair("password", config.Password ? "1" : "0");
    pair("os", "l");
    pair("secure", "0");
    out.push_back('\0');
    return out;
}

std::string BuildPlayersAnswer(const FakeServerConfig& config) {
    std::vector<FakePlayer> made;
    const std::vector<FakePlayer>* players = &config.PlayerList;
    if (players->empty()) {
        for (int i = 0; i < std::clamp(config.Players, 0, 255); ++i)
            made.push_back({"Player " + std::to_string(i + 1), i, 60.0f * float(i + 1)});
        players = &made;
    }
    // The count is one byte on the wire; a longer list is cut rather than miscounted.
    const size_t count = std::min<size_t>(players->size(), 255);
    std::string out = Prefix;
    out.push_back('D');
    out.push_back(char(count));
    for (size_t i = 0; i < count; ++i) {
        const FakePlayer& p = (*players)[i];
        out.push_back(char(i + 1));
        out += p.Name;
        out.push_back('\0');
        PutInt32(out, uint32_t(p.Frags));
        PutFloat(out, p.Time);
    }
    return out;
}

std::string BuildRulesAnswer(const FakeServerConfig& config) {
    const size_t count = std::min<size_t>(config.Rules.size(), 0xFFFF);
    std::string out = Prefix;
    out.push_back('E');
    out.push_back(char(count & 0xFF));
    out.push_back(char(count >> 8));
    for (size_t i = 0; i < count; ++i) {
        out += config.Rules[i].first;
        out.push_back('\0');
        out += config.Rules[i].second;
        out.push_back('\0');
    }
    return out;
}

bool IsLoopbackAddress(std::string_view ip) {
    uint32_t value = 0;
    return ParseIpv4(ip, value) && (value >> 24) == 127;
}

std::string FarmAddress(std::string_view firstIp, int index) {
    uint32_t first = 0;
    if (index < 0 || !ParseIpv4(firstIp, first) || (first >> 24) != 127)
        return {};
    uint32_t block = first >> 8;
    uint32_t last = first & 255;
    if (last == 0)
        last = 1;
    if (last == 255) {
        ++block;
        last = 1;
    }
    const uint64_t position = uint64_t(last - 1) + uint64_t(index);
    const uint64_t resultBlock = uint64_t(block) + position / 254;
    if ((resultBlock >> 16) != 127)
        return {};
    return FormatIpv4(uint32_t(resultBlock << 8) | uint32_t(position % 254 + 1));
}

std::string_view HostileInfoName(HostileInfo kind) {
    switch (kind) {
    case HostileInfo::Oversize:
        return "oversize";
    case HostileInfo::TruncatedHeader:
        return "truncated-header";
    case HostileInfo::NoTerminatingZero:
        return "no-terminating-zero";
    case HostileInfo::ManyPairs:
        return "many-pairs";
    case HostileInfo::AddressPastPairs:
        return "address-past-pairs";
    case HostileInfo::EmptyAddress:
        return "empty-address";
    case HostileInfo::ForgedAddress:
        return "forged-address";
    case HostileInfo::AddressWithExtra:
        return "address-with-extra";
    case HostileInfo::BinaryName:
        return "binary-name";
    case HostileInfo::NonNumericCounts:
        return "non-numeric-counts";
    case HostileInfo::NonNumericProtocol:
        return "non-numeric-protocol";
    }
    return "?";
}

std::string BuildHostileInfoAnswer(HostileInfo kind, const FakeServerConfig& config) {
    const std::string address = ReportedAddressOf(config);
    std::string out = Prefix + "infostringresponse";
    out.push_back('\0');
    auto pair = [&out](std::string_view key, std::string_view value) {
        out += '\\';
        out += key;
        out += '\\';
        out += value;
    };
    auto fillers = [&pair](int from, int to) {
        for (int i = from; i < to; ++i)
            pair("extra" + std::to_string(i), std::to_string(i));
    };
    const std::string protocol = std::to_string(config.Protocol);
    switch (kind) {
    case HostileInfo::Oversize:
        // One byte past what a receiver takes: 2049 bytes with the closing zero.
        pair("protocol", protocol);
        pair("address", address);
        pair("hostname", "");
        out += std::string(out.size() < 2048 ? 2048 - out.size() : 0, 'O');
        break;
    case HostileInfo::TruncatedHeader:
        return Prefix + "infostringresp";
    case HostileInfo::NoTerminatingZero:
        pair("protocol", protocol);
        pair("address", address);
        pair("hostname", config.Name);
        pair("map", config.Map);
        return out; // no zero byte after the last value
    case HostileInfo::ManyPairs:
        pair("protocol", protocol);
        pair("address", address);
        pair("hostname", config.Name);
        fillers(3, 30);
        break;
    case HostileInfo::AddressPastPairs:
        pair("protocol", protocol);
        pair("hostname", config.Name);
        fillers(2, 24);
        pair("address", address);
        fillers(25, 30);
        break;
    case HostileInfo::EmptyAddress:
        pair("protocol", protocol);
        pair("address", "");
        pair("hostname", config.Name);
        break;
    case HostileInfo::ForgedAddress:
        pair("protocol", protocol);
        pair("address", "127.70.1:27015");
        pair("hostname", config.Name);
        break;
    case HostileInfo::AddressWithExtra:
        pair("protocol", protocol);
        pair("address", address + " +exec evil.cfg");
        pair("hostname", config.Name);
        break;
    case HostileInfo::BinaryName: {
        std::string garbage;
        for (int c = 1; c < 256; ++c)
            if (c != '\\')
                garbage.push_back(char(c));
        pair("protocol", protocol);
        pair("address", address);
        pair("hostname", garbage);
        pair("map", garbage.substr(100));
        pair("players", "3");
        pair("max", "16");
        break;
    }
    case HostileInfo::NonNumericCounts:
        pair("protocol", protocol);
        pair("address", address);
        pair("hostname", config.Name);
        pair("players", "many");
        pair("max", "-");
        break;
    case HostileInfo::NonNumericProtocol:
        pair("protocol", "forty-seven");
        pair("address", address);
        pair("hostname", config.Name);
        break;
    }
    out.push_back('\0');
    return out;
}

std::string BuildRulesAnswerOfSize(size_t size) {
    std::string out = Prefix;
    out += "E";
    out += std::string(2, '\0'); // the count, patched below
    size_t count = 0;
    for (const auto& [name, value] : DefaultFakeRules()) {
        // Room for this rule and for the last one ("pad", a zero, a value, a zero).
        if (out.size() + name.size() + value.size() + 2 + 8 > size)
            break;
        out += name;
        out.push_back('\0');
        out += value;
        out.push_back('\0');
        ++count;
    }
    out += "pad";
    out.push_back('\0');
    if (out.size() < size)
        out += std::string(size - out.size() - 1, 'x');
    out.push_back('\0');
    ++count;
    out[5] = char(count & 0xFF);
    out[6] = char(count >> 8);
    out.resize(size);
    return out;
}
