#pragma once

// Starts the workbench as a separate process the way each system starts programs, and what the
// program does differently there.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace WorkbenchTest {

struct Finished {
    int exitCode = -1;
    std::string out; // line ends as "\n", whatever the system's console writes
    std::string err;
    std::size_t launchesRecordedBefore = 0; // where a recorder stands in for the browser
};

// Runs `program` with `arguments`, the file `input` as its standard input (never a terminal) and this
// process's environment plus `environment` ("NAME=value"); standard output and error go to files in
// `folder`. Waits for the program to end. A browser launch never reaches a real browser.
Finished RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& input, const std::vector<std::string>& environment,
                    const std::filesystem::path& folder);

// Whether a recorder stands in for the browser (on Windows, where the module's launches reach the
// system), and the URLs it received after the first `recordedBefore`, once `expected` more have arrived
// or a few seconds have passed.
extern const bool BrowserLaunchesRecorded;
std::vector<std::string> RecordedBrowserLaunches(std::size_t recordedBefore, std::size_t expected);

// Whether --connect-to can be used: on Windows the connections go where the URL says.
extern const bool ConnectToAvailable;

// The environment variable the default data folder is under, and the folder's name there.
extern const char* const DataFolderVariable;
extern const char* const DataFolderName;

} // namespace WorkbenchTest
