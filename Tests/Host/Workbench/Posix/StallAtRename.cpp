// The store renames with the C library's rename: a definition in the program wins over the shared
// library's. It prints the temporary file's path and waits to be killed.

#include <cstdio>
#include <unistd.h>

extern "C" int rename(const char* from, const char* /*to*/) noexcept {
    std::printf("%s\n", from);
    std::fflush(stdout);
    for (;;)
        pause();
}
