// quarrix-killwriter FOLDER FIRST_GENERATION: writes the watched files of the kill-safety
// test in generation after generation, the way the program writes them, until it is
// killed or 20 seconds have passed.
#include "KillWriterContent.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quarrix-killwriter FOLDER FIRST_GENERATION\n");
        return 2;
    }
    const std::string folder = argv[1];
    unsigned generation = unsigned(std::strtoul(argv[2], nullptr, 10));
    const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < stop) {
        for (const KillFile file : KillFiles)
            if (!WriteKillFile(folder, file, generation))
                return 1;
        ++generation;
    }
    return 0;
}
