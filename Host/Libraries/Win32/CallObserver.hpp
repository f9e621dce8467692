#pragma once

#include <string_view>

namespace Win32 {

// Tells the host's call observer, if one is set, about one Windows call.
void ReportCall(std::string_view call, std::string_view argument);

} // namespace Win32
