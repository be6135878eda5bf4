#include "ProcessList.h"

SystemProcesses& SystemProcesses::Instance() {
    static SystemProcesses processes;
    return processes;
}
