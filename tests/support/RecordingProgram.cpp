#include "RecordingProgram.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

void WriteRecordingProgram(const std::string& path, const std::string& recordPath) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "#!/bin/sh\n"
        << "record='" << recordPath << "'\n"
        << "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$record.part\"\n"
        << "/bin/mv \"$record.part\" \"$record\"\n"; // PATH may be the test's own
    out.close();
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

std::optional<std::vector<std::string>> WaitForRecord(const std::string& recordPath,
                                                      int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // A record is never empty (it starts with the working folder); on Windows the file may
    // be seen a moment before it can be opened, so an empty read means "not yet".
    for (;;) {
        if (std::filesystem::exists(recordPath)) {
            std::ifstream in(recordPath, std::ios::binary);
            std::vector<std::string> lines;
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            if (!lines.empty())
                return lines;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
