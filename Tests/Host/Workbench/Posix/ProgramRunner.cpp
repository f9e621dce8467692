#include "ProgramRunner.hpp"

#include "ChildProgram.hpp"

#include <stdexcept>

namespace WorkbenchTest {

const bool BrowserLaunchesRecorded = false;

std::vector<std::string> RecordedBrowserLaunches(std::size_t, std::size_t) {
    throw std::logic_error("the host's stand-in makes the browser launches here; nothing records them");
}
const bool ConnectToAvailable = true;
const char* const DataFolderVariable = "XDG_DATA_HOME";
const char* const DataFolderName = "kavelo-workbench";

Finished RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& input, const std::vector<std::string>& environment,
                    const std::filesystem::path& folder) {
    const std::filesystem::path out = folder / "stdout.txt", err = folder / "stderr.txt";
    // A command that opens the browser must never reach a real one from a test.
    std::vector<std::string> variables = environment;
    variables.emplace_back("BROWSER=/bin/true");
    Testing::ChildProgram child(program, arguments, {input, out, err}, variables);
    Finished finished;
    finished.exitCode = child.Wait();
    finished.out = Testing::ReadFile(out);
    finished.err = Testing::ReadFile(err);
    return finished;
}

} // namespace WorkbenchTest
