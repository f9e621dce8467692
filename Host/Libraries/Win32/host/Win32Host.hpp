#pragma once

#include <functional>
#include <string_view>

namespace Win32::Host {

// Told of every Windows call the module makes: its name and its main argument as UTF-8.
using CallObserver = std::function<void(std::string_view call, std::string_view argument)>;
void SetCallObserver(CallObserver observer);

} // namespace Win32::Host
