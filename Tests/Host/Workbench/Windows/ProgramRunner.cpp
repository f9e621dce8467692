// The standard handles on files. Browser launches go through the shell to the test prefix's browser
// setting, which its boot points at a recorder.

#include "ProgramRunner.hpp"

#include "BrowserLaunchRecord.hpp"
#include "ChildProgram.hpp"

#include <algorithm>

namespace WorkbenchTest {

namespace {

// The console writes CRLF line ends; the tests compare LF ones.
std::string ReadText(const std::filesystem::path& path) {
    const std::string text = Testing::ReadFile(path);
    std::string lines;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!(text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n'))
            lines += text[at];
    }
    return lines;
}

} // namespace

const bool BrowserLaunchesRecorded = Testing::BrowserLaunchRecordFile().has_value();

std::vector<std::string> RecordedBrowserLaunches(std::size_t recordedBefore, std::size_t expected) {
    const auto file = Testing::BrowserLaunchRecordFile();
    if (!file)
        return {};
    std::vector<std::string> urls = Testing::AwaitBrowserLaunchRecord(*file, recordedBefore + expected);
    urls.erase(urls.begin(),
               urls.begin() + static_cast<std::ptrdiff_t>(std::min(recordedBefore, urls.size())));
    return urls;
}
const bool ConnectToAvailable = false;
const char* const DataFolderVariable = "LOCALAPPDATA";
const char* const DataFolderName = "KAVELO Workbench";

Finished RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& input, const std::vector<std::string>& environment,
                    const std::filesystem::path& folder) {
    const std::filesystem::path out = folder / "stdout.txt", err = folder / "stderr.txt";
    // The program inherits this process's record of browser launches.
    const auto record = Testing::BrowserLaunchRecordFile();
    Finished finished;
    finished.launchesRecordedBefore = record ? Testing::ReadBrowserLaunchRecord(*record).size() : 0;
    Testing::ChildProgram child(program, arguments, {input, out, err}, environment);
    finished.exitCode = child.Wait();
    finished.out = ReadText(out);
    finished.err = ReadText(err);
    return finished;
}

} // namespace WorkbenchTest
