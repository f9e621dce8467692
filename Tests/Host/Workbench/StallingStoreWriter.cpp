// Writes one record with the workbench's preference store and stalls at the last step, the
// rename of the finished temporary file over the store: the test kills it there, as a crash or a
// power cut would. The program's own stand-in for the system's rename (StallAtRename.cpp, one per
// platform) stops it there, so the store's code runs unchanged up to that point.
//
//     StallingStoreWriter FOLDER KEY VERSION HEXBYTES
//
// Prints the temporary file's path and a line feed when it reaches the rename, then waits.

#include "PreferenceStore.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FOLDER KEY VERSION HEXBYTES\n", argv[0]);
        return 2;
    }
    Workbench::StoredPreferences record;
    record.version = static_cast<Int32>(std::strtol(argv[3], nullptr, 10));
    const std::string hex = argv[4];
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
        record.bytes.push_back(static_cast<UInt8>(std::stoul(hex.substr(at, 2), nullptr, 16)));
    const std::string problem = Workbench::PreferenceStore(argv[1], argv[2]).Write(record);
    std::fprintf(stderr, "the write ended without reaching the rename: %s\n", problem.c_str());
    return 1;
}
