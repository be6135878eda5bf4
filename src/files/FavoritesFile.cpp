#include "FavoritesFile.h"

#include "AddressCheck.h"
#include "LineText.h"
#include "SeenServers.h"

#include <algorithm>

bool ValidateAddressPort(std::string_view address, std::string_view port) {
    AddressPort numbers{};
    return ParseAddressPort(address, port, numbers) == AddressCheck::Ok;
}

std::string_view FavoritesFileTag(std::string_view protocol) {
    if (protocol == "46" || protocol == "47")
        return protocol;
    return "00";
}

std::string FavoritesFileName(std::string_view tag) {
    return "favorite" + std::string(tag) + ".dat";
}

// A value is cut at its first line break or zero byte: a server's name or count that held
// one would otherwise end the line early and could add lines of its own, among them an
// address or port line that takes the place of the block's real one.
static void AppendKeyLine(std::string& out, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    out += '"';
    out += key;
    out += "\" \"";
    out += value;
    out += "\"\r\n";
}

std::string FavoritesFileBytes(const std::vector<ServerStructure>& favorites,
                               std::string_view tag) {
    std::string out = "{\r\n";
    for (const auto& row : favorites) {
        if (FavoritesFileTag(row.Protocol) != tag)
            continue;
        out += "server\r\n{\r\n";
        AppendKeyLine(out, "address", row.IP);
        AppendKeyLine(out, "port", row.Port);
        AppendKeyLine(out, "name", row.Name.empty() ? row.IP : row.Name);
        AppendKeyLine(out, "map", row.Map);
        AppendKeyLine(out, "maxplayers", row.MaxPlayers.empty() ? "0" : row.MaxPlayers);
        AppendKeyLine(out, "currentplayers", row.Players.empty() ? "0" : row.Players);
        out += "}\r\n";
    }
    out += "}\r\n";
    return out;
}

std::string_view FavoritesLineKey(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    if (start < line.size() && line[start] == '"') {
        const size_t end = line.find('"', start + 1);
        if (end == std::string_view::npos)
            return line.substr(start + 1);
        return line.substr(start + 1, end - start - 1);
    }
    const size_t end = line.find_first_of(" \t\"", start);
    return line.substr(start, end == std::string_view::npos ? end : end - start);
}

std::string FavoritesLineValue(std::string_view line) {
    size_t at = 0;
    for (int quote = 0; quote < 3; ++quote) {
        at = line.find('"', at);
        if (at == std::string_view::npos)
            return {};
        ++at;
    }
    const size_t end = line.find('"', at);
    if (end == std::string_view::npos)
        return {};
    return Trim(line.substr(at, end - at));
}

// A brace inside a quoted value (a server named "{Clan}") is text, not structure; counting
// it would close the block early and lose a favorite whose address comes after its name.
static bool HasBraceOutsideQuotes(std::string_view line, char brace) {
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == brace && !quoted)
            return true;
    }
    return false;
}

std::vector<ServerStructure> ReadFavoritesFile(std::string_view bytes, std::string_view tag) {
    const auto lines = SplitLines(bytes);
    std::vector<ServerStructure> rows;
    SeenServers seen;
    bool inBlock = false;
    constexpr size_t none = static_cast<size_t>(-1);
    size_t addressLine = none, portLine = none;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (HasBraceOutsideQuotes(line, '{'))
            inBlock = true;
        const std::string_view key = FavoritesLineKey(line);
        if (inBlock && key == "address")
            addressLine = i;
        if (inBlock && key == "port")
            portLine = i;
        if (!HasBraceOutsideQuotes(line, '}'))
            continue;
        if (inBlock && addressLine != none && portLine != none) {
            ServerStructure row;
            row.IP = FavoritesLineValue(lines[addressLine]);
            row.Port = FavoritesLineValue(lines[portLine]);
            row.Protocol = std::string(tag);
            if (ValidateAddressPort(row.IP, row.Port) && seen.Add(row.IP, row.Port))
                rows.push_back(std::move(row));
        }
        inBlock = false;
        addressLine = none;
        portLine = none;
    }
    return rows;
}
