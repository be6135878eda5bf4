#include "FileReplace.h"

bool ReplaceFile(const std::string&, std::string_view) { return false; }
