#pragma once

#include <optional>
#include <string>
#include <string_view>

// True for the line that sets the player name: its first word (after blanks and tabs) is
// name. A key binding whose command mentions name is not one.
bool IsPlayerNameLine(std::string_view line);

// The name of the first name line of config.cfg bytes: the text between the first two
// double quotes after the word name, untrimmed; empty when there is no such line or fewer
// than two quotes follow the word.
std::string ReadPlayerName(std::string_view configBytes);

// False for a name config.cfg cannot hold: empty, or holding a double quote, a line
// break or a zero byte (any of them would end the value or the line early).
bool PlayerNameAllowed(std::string_view name);

// config.cfg bytes with the first name line replaced by name, a blank and the quoted name,
// every line ending CR LF; a file without a name line comes back with only its line ends
// changed. Lines after a zero byte are kept too; the name line is looked for before it. None when
// PlayerNameAllowed refuses the name: the file is then left as it is.
std::optional<std::string> RewritePlayerName(std::string_view configBytes, std::string_view name);
