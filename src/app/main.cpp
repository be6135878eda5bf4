#include "Application.h"
#include "ProcessList.h"

// Quarrix reads no command-line arguments of its own.
int main(int argc, char** argv) {
    // One instance per machine: a second start ends at once, without a window or message.
    if (CountProcessesNamed(OwnExecutableName()) > 1)
        return 0;
    return RunApplication(argc, argv);
}
