#include "TextServerList.h"

#include "LineText.h"
#include "SeenServers.h"

#include <algorithm>

std::string TextListLine(const ServerStructure& row) {
    return '#' + row.IP + ':' + row.Port + "#\r\n";
}

std::string TextListBytes(const std::vector<ServerStructure>& rows) {
    std::string bytes;
    for (const auto& row : rows)
        bytes += TextListLine(row);
    return bytes;
}

TextListEntry SplitTextListLine(std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return {};
    TextListEntry entry;
    if (colon > 1)
        entry.Address = std::string(line.substr(1, colon - 1));
    const std::string_view rest = line.substr(colon + 1);
    const size_t hash = rest.find('#');
    if (hash != std::string_view::npos)
        entry.Port = std::string(rest.substr(0, hash));
    return entry;
}

MessageIndex TextListImport::CheckMessage() const {
    return Fault == AddressCheck::BadPort ? MsgInvalidPort : MsgInvalidAddress;
}

TextListImport ParseTextList(std::string_view bytes) {
    TextListImport result;
    // A zero byte is text here, not the end of the file: the line holding it imports or
    // stops the import with its message, and no line after it is dropped unseen.
    const auto lines = SplitLinesKeepingZeros(bytes);
    SeenServers seen;
    for (size_t i = 0; i < lines.size(); ++i) {
        const TextListEntry entry = SplitTextListLine(lines[i]);
        AddressPort numbers{};
        // The check takes a trimmed address, as every caller of it hands it one.
        const std::string address = Trim(entry.Address);
        const AddressCheck check = ParseAddressPort(address, entry.Port, numbers);
        if (check != AddressCheck::Ok) {
            result.BadLine = i;
            result.Fault = check;
            break;
        }
        ServerStructure row;
        row.IP = address;
        row.Port = entry.Port;
        row.Protocol = "00";
        if (seen.Add(row.IP, row.Port))
            result.Rows.push_back(std::move(row));
    }
    return result;
}
