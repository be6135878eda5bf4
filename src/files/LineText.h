#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of a byte text: a line ends at CR LF, a lone CR or a lone LF, and a zero byte
// ends the text. A line end after the last line does not start another (empty) line.
std::vector<std::string> SplitLines(std::string_view bytes);

// The same lines with zero bytes taken as text, for a rewrite that must keep a whole file.
std::vector<std::string> SplitLinesKeepingZeros(std::string_view bytes);

// The lines joined with CR LF after every line, the last included.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);
