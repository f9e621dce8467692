#pragma once

// Runs the add-on's commands through the real module with each of their allocations failing in turn.

#include "ModuleHost.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace Torture {

// Every allocation of the command fails in turn.
constexpr std::uint64_t Every = std::numeric_limits<std::uint64_t>::max();

struct Command {
    const char* name;
    std::uint64_t sample;         // at most this many of its allocations fail, evenly spread
    std::uint64_t silentFailures; // failures it ends on without a beep, when every allocation fails
    std::function<void()> run;
};

// Each command gives back every block it took, also when any one of its allocations fails; no
// exception reaches the host, and every failure beeps but the command's silent ones.
void Run(const Testing::ModuleHost& host, const std::vector<Command>& commands);

// The commands that reach no server: the live view's launch, the unlink, the toolbar's toggle.
std::vector<Command> CommandsWithoutServer(Testing::ModuleHost& host);

// An export while linked of a picture of `size` bytes of noise: no run of it compresses, every copy
// of it allocates.
std::function<void()> Export(Testing::ModuleHost& host, std::size_t pictureSize);

} // namespace Torture
