#pragma once

#include "ServerStructure.h"

#include <string>
#include <string_view>
#include <vector>

// True when the address is four decimal numbers 0..255 joined by exactly three dots, the
// last neither 0 nor 255, and the port a decimal number 1..65535.
bool ValidateAddressPort(std::string_view address, std::string_view port);

// The file a favorite is kept in: its own tag for "46", "47" and "00", and "00" for any
// other tag, so a server reporting an unexpected protocol version is never lost at exit.
std::string_view FavoritesFileTag(std::string_view protocol);

// "favorite46.dat", "favorite47.dat" or "favorite00.dat" for a file tag.
std::string FavoritesFileName(std::string_view tag);

// The complete bytes of the favorites file of one tag: "{", a nine-line block for every
// favorite whose FavoritesFileTag is `tag`, in list order, and "}", every line CR LF. A
// value ends at its first line break or zero byte, so no text can add a line.
std::string FavoritesFileBytes(const std::vector<ServerStructure>& favorites, std::string_view tag);

// The rows of a favorites file (ours or a game's favsvrs.dat) in file order: one per block
// with a valid address and port, tagged `tag`, every other field empty. A block repeating
// an earlier block's address and port texts is left out; the caller discards the rows its
// list already holds.
std::vector<ServerStructure> ReadFavoritesFile(std::string_view bytes, std::string_view tag);

// The key of a favorites line: the first word after leading blanks and tabs, without its
// double quotes ("address" for the line "\t\"address\"\t\"1.2.3.4\"").
std::string_view FavoritesLineKey(std::string_view line);

// The value of a key line: the text between its third and fourth double quotes with blanks
// and control bytes trimmed; empty when the line has fewer than four double quotes.
std::string FavoritesLineValue(std::string_view line);
