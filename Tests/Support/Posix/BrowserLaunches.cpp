#include "BrowserLaunches.hpp"

#include "Win32Host.hpp"

#include <cstdlib>

namespace Testing {

const bool HostSeesBrowserLaunches = true;

void WatchBrowserLaunches(std::function<void(std::string_view url)> launched) {
    // The program the stand-in starts is one that does nothing.
    setenv("BROWSER", "/bin/true", 1);
    Win32::Host::SetCallObserver(
        [launched = std::move(launched)](std::string_view call, std::string_view argument) {
            if (call == "ShellExecuteW")
                launched(argument);
        });
}

// The stand-in tells each launch during its call.
void AwaitBrowserLaunches() {}

void StopWatchingBrowserLaunches() {
    Win32::Host::SetCallObserver(nullptr);
}

} // namespace Testing
