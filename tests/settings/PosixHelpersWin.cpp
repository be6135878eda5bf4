// Windows stand-ins for the POSIX-only test helpers (no named pipes in the file system, no
// user to switch to): the tests that need them are left out of the Windows run, the rest
// link against these.
#include "PipeRescue.h"
#include "Unprivileged.h"

PipeRescue::PipeRescue(std::string path, int) : Path(std::move(path)) {}

PipeRescue::~PipeRescue() = default;

bool MakePipe(const std::string&) {
    return false;
}

std::optional<bool> RunUnprivileged(const std::function<bool()>&) {
    return std::nullopt;
}

bool RunsAsRoot() {
    return false;
}
