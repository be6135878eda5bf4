#include "PipeRescue.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PipeRescue::PipeRescue(std::string path, int afterMs) : Path(std::move(path)) {
    Thread = std::thread([this, afterMs] {
        const auto start = std::chrono::steady_clock::now();
        while (!Stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(afterMs))
                continue;
            // Succeeds only while a reader has the pipe open (or waits to).
            const int fd = open(Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ++Count;
                close(fd);
            }
        }
    });
}

PipeRescue::~PipeRescue() {
    Stop = true;
    Thread.join();
}

bool MakePipe(const std::string& path) {
    return mkfifo(path.c_str(), 0666) == 0;
}
