// Entry point of the tarnwick tool.
#include "kelvane.h"

#include <cstdio>

int main(int, char**) {
    std::fprintf(stderr, "%s\n", KelGetVersion());
    return 0;
}
