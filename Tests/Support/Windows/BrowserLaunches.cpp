// The module calls the shell itself, which under wine hands the URL to winebrowser and so to the
// test prefix's recorder a moment after the call has returned. The URLs come from the recorder; the
// count of launches made comes from the module's own calls of ShellExecuteW, counted on the way
// through its import table, so that a test that reads the launches waits for exactly those.

#include "BrowserLaunches.hpp"
#include "BrowserLaunchRecord.hpp"

#include "Windows/ShellExecuteRedirection.hpp"

#include <atomic>
#include <utility>

namespace Testing {

namespace {

const std::optional<std::wstring> recordFile = BrowserLaunchRecordFile();
std::atomic<std::size_t> launchesMade{0};

struct Watch {
    std::function<void(std::string_view url)> launched;
    std::size_t launchesBefore = 0; // made by this process before the watch began
    std::size_t delivered = 0;
};
std::optional<Watch> watch;
std::optional<std::size_t> linesBeforeFirstLaunch; // lines of an earlier run of the same name
// Every loaded image's calls of ShellExecuteW: the test program's own, where the add-on is linked in,
// and the module's, where it is loaded.
std::optional<Workbench::ShellExecuteRedirection> redirection;

std::vector<std::string> AwaitRecordOfLaunchesMade() {
    return AwaitBrowserLaunchRecord(*recordFile, *linesBeforeFirstLaunch + launchesMade);
}

// Launches in quick succession could reach the recorder in either order: each waits for the one before.
void CountLaunch(const wchar_t*) {
    AwaitRecordOfLaunchesMade();
    ++launchesMade;
}

} // namespace

const bool HostSeesBrowserLaunches = recordFile.has_value();

void WatchBrowserLaunches(std::function<void(std::string_view url)> launched) {
    if (!recordFile)
        return;
    if (!linesBeforeFirstLaunch)
        linesBeforeFirstLaunch = ReadBrowserLaunchRecord(*recordFile).size();
    // Launches of an earlier watch that never were read may still arrive; they come before this one's.
    watch = Watch{std::move(launched), launchesMade, 0};
    redirection.emplace(&CountLaunch);
    redirection->RedirectLoadedImages();
}

void AwaitBrowserLaunches() {
    if (!watch)
        return;
    const std::size_t firstLine = *linesBeforeFirstLaunch + watch->launchesBefore;
    const std::size_t made = launchesMade - watch->launchesBefore;
    const std::vector<std::string> lines = AwaitRecordOfLaunchesMade();
    for (std::size_t line = firstLine + watch->delivered; line < lines.size() && watch->delivered < made;
         ++line, ++watch->delivered)
        watch->launched(lines[line]);
}

void StopWatchingBrowserLaunches() {
    if (!watch)
        return;
    redirection.reset();
    watch.reset();
}

} // namespace Testing
