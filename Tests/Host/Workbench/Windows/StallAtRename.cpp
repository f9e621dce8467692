// The store renames with MoveFileExW, which code calls through its import address: the program's own
// import address of that name wins over the import library's. The stand-in prints the temporary
// file's path and waits to be killed.

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

BOOL WINAPI StallAtRename(LPCWSTR from, LPCWSTR /*to*/, DWORD /*flags*/) {
    const std::u8string path = std::filesystem::path(from).u8string();
    std::printf("%s\n", reinterpret_cast<const char*>(path.c_str()));
    std::fflush(stdout);
    for (;;)
        Sleep(INFINITE);
}

} // namespace

extern "C" {
decltype(&MoveFileExW) __imp_MoveFileExW = StallAtRename;
}
