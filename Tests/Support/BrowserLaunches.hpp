#pragma once

// The module's browser launches as the test host sees them, where it sees them: on POSIX the host's
// stand-in for Windows makes them; on Windows the module calls the shell itself.

#include <functional>
#include <string_view>

namespace Testing {

extern const bool HostSeesBrowserLaunches;

// Tells `launched` the URL of every launch from now on, and keeps launches from reaching a real browser.
void WatchBrowserLaunches(std::function<void(std::string_view url)> launched);
void StopWatchingBrowserLaunches();

} // namespace Testing
