#pragma once

#include "ServerRows.h"

#include <optional>

// The row an info answer describes: "address" (dotted IPv4 address, a colon and a port,
// stored in canonical form, so "127.0.0.01:027015" is 127.0.0.1 and 27015), "protocol"
// and "password" as decimal integers, "map", "players", "max" and "hostname" as sent; a
// key that occurs twice takes its later value. Response empty, Alive and Answered true.
// Nothing when the address is missing, empty, not a usable address and port, or when
// "protocol" or "password" is not an integer: such an answer names no server.
std::optional<ServerStructure> BuildAnswerRecord(const ServerInfoStructure& info);

// The canonical texts of an address and a port that pass the typed-input check:
// dotted decimal without leading zeros or sign, and the port in decimal.
std::optional<ServerKey> CanonicalAddress(std::string_view address, std::string_view port);

// Makes a row wait for the answer to the query sent at `sentAt`: its answered texts and
// response cleared, down and not answered yet.
void BlankForQuery(ServerStructure& row, uint32_t sentAt);
