#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <random>

// Windows has no mkdtemp: a random name, taken only when the folder did not exist yet.
TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("quarrix-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            Dir = candidate.generic_string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}
#else
TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarrix-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    Dir = pattern;
}
#endif

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
