// The shell hands a launch to the test prefix's browser setting, which its boot points at a program
// that does nothing; the host is not told.

#include "BrowserLaunches.hpp"

namespace Testing {

const bool HostSeesBrowserLaunches = false;

void WatchBrowserLaunches(std::function<void(std::string_view url)>) {}

void StopWatchingBrowserLaunches() {}

} // namespace Testing
