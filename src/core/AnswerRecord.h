#pragma once

#include "ServerRows.h"

#include <optional>

// The row an info answer describes: "address" (dotted IPv4 address, a colon and a port,
// stored in canonical form, so "127.0.0.01:027015" is 127.0.0.1 and 27015), "protocol"
// as its version tag (VersionTag, with "gamedir"), "password" as a decimal integer,
// "map", "players", "max" and "hostname" as sent; "gamedir", "bots", "version", "os" and
// "secure" into the row's extras; a key that occurs twice takes its later value.
// Response empty, Alive and Answered true, Dialect as given (the dialect the answer came
// in). Nothing when the address is missing, empty, not a usable address and port, or when
// "protocol" or "password" is not an integer: such an answer names no server.
std::optional<ServerStructure> BuildAnswerRecord(const ServerInfoStructure& info,
                                                 QueryDialect dialect = QueryDialect::Text);

// True for the Counter-Strike game folder "cstrike" (any case), and for a folder not
// told (an answer without one was always taken as Counter-Strike).
bool IsCounterStrikeFolder(std::string_view folder);

// The version tag of a protocol number reported from a game folder: "46" Counter-Strike
// 1.5; "47" Counter-Strike 1.6, which today's servers report as protocol 48; any other
// number in decimal. Another game's folder is tagged "00" whatever its protocol: such a
// server is never started with a Counter-Strike game, and favorites keep it in
// favorite00.dat.
std::string VersionTag(int32_t protocol, std::string_view folder);

// Copies what an answer says into a row that has it already: the columns and version,
// and each extra the answer tells. A row once answered in the binary dialect stays
// binary (its answers say more), so a server answering both keeps being asked in it.
// Response, SentAt, IP and Port belong to the row and stay.
void MergeAnswer(ServerStructure& row, const ServerStructure& answer);
// Only what an answer adds beyond the columns: the binary dialect and each extra it tells
// (folder, bots, version, OS, VAC). A binary answer to a row already filled (a server
// sending 'm' and 'I', or one of unknown dialect answering both requests) completes it
// this way while the columns keep the first answer's. False when nothing changes.
bool ComplementAnswer(ServerStructure& row, const ServerStructure& answer);

// The canonical texts of an address and a port that pass the typed-input check:
// dotted decimal without leading zeros or sign, and the port in decimal.
std::optional<ServerKey> CanonicalAddress(std::string_view address, std::string_view port);

// Makes a row wait for the answer to the query sent at `sentAt`: its answered texts and
// response cleared, down and not answered yet.
void BlankForQuery(ServerStructure& row, uint32_t sentAt);
