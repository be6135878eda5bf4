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
    for (;;) {
        if (std::filesystem::exists(recordPath)) {
            std::ifstream in(recordPath, std::ios::binary);
            std::vector<std::string> lines;
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
#ifdef _WIN32
            // Windows may show the moved file a moment before it can be read; the recorder's
            // record always holds lines, so an empty read means "not yet".
            if (!lines.empty())
                return lines;
#else
            // Whatever is there counts: a file another program makes empty is a record too.
            return lines;
#endif
        }
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
