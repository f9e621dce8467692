#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace Win32::Host {

// Told of every Windows call the module makes: its name and its main argument as UTF-8.
using CallObserver = std::function<void(std::string_view call, std::string_view argument)>;
void SetCallObserver(CallObserver observer);

// Where BCryptGenRandom takes its bytes: a source fills the buffer and answers true, or answers false
// as a system without a random source would. An empty source restores the kernel's.
using RandomSource = std::function<bool(unsigned char* buffer, std::size_t size)>;
void SetRandomSource(RandomSource source);

} // namespace Win32::Host
