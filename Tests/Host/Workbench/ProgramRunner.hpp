#pragma once

// Starts the workbench as a separate process the way each system starts programs, and what the
// program does differently there.

#include <filesystem>
#include <string>
#include <vector>

namespace WorkbenchTest {

struct Finished {
    int exitCode = -1;
    std::string out; // line ends as "\n", whatever the system's console writes
    std::string err;
};

// Runs `program` with `arguments`, the file `input` as its standard input (never a terminal) and this
// process's environment plus `environment` ("NAME=value"); standard output and error go to files in
// `folder`. Waits for the program to end. A browser launch never reaches a real browser.
Finished RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& input, const std::vector<std::string>& environment,
                    const std::filesystem::path& folder);

// Whether the host sees the module's browser launches: on Windows the module makes them itself.
extern const bool HostSeesBrowserLaunches;

// Whether --connect-to can be used: on Windows the connections go where the URL says.
extern const bool ConnectToAvailable;

// The environment variable the default data folder is under, and the folder's name there.
extern const char* const DataFolderVariable;
extern const char* const DataFolderName;

} // namespace WorkbenchTest
