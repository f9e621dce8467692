#pragma once

#include <functional>

namespace GSUtils::Host {

// Called on every GSSysBeep; an empty sink restores the default, the terminal bell on standard error.
void SetBeepSink(std::function<void()> sink);

} // namespace GSUtils::Host
