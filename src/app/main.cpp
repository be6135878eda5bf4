#include <cstdio>

int main() {
    std::puts("Quarrix: the main window is not built yet.");
    return 0;
}
