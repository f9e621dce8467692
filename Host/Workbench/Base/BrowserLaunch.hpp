#pragma once

// The module opening the browser, shown the same way whoever makes the launch: the user should see
// where it goes, and the transcript keeps it among the other events.

#include "Console.hpp"
#include "Transcript.hpp"

#include <string_view>

namespace Workbench {

void ShowBrowserLaunch(Transcript& transcript, Console& console, std::string_view url);

} // namespace Workbench
