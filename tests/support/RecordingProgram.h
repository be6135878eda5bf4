#pragma once

#include <optional>
#include <string>
#include <vector>

// A small program (a shell script) that writes its working directory and then each of its
// arguments, one a line, to `recordPath` when it runs, and ends. The file appears whole.
void WriteRecordingProgram(const std::string& path, const std::string& recordPath);

// The lines of a record once it exists (working directory first, then the arguments);
// nothing when it did not appear within timeoutMs.
std::optional<std::vector<std::string>> WaitForRecord(const std::string& recordPath,
                                                      int timeoutMs = 5000);
