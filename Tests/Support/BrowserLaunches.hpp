#pragma once

// The module's browser launches as the test host sees them, where it sees them: on POSIX the host's
// stand-in for Windows makes them; on Windows the module calls the shell itself, and the test prefix's
// browser setting records them.

#include <functional>
#include <string_view>

namespace Testing {

extern const bool HostSeesBrowserLaunches;

// Tells `launched` the URL of every launch from now on, and keeps launches from reaching a real browser.
void WatchBrowserLaunches(std::function<void(std::string_view url)> launched);
// Returns once every launch made so far has been told, or a few seconds have passed: on Windows a
// launch reaches the watcher a moment after the call that made it.
void AwaitBrowserLaunches();
void StopWatchingBrowserLaunches();

} // namespace Testing
