#pragma once

// A host operation made to fail on purpose, as the command line and scripts ask: the module must
// cope with a host that refuses.

#include "GSRoot/Definitions.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Workbench {

struct SlotFailure {
    std::size_t slot;
    std::optional<GSErrCode> code; // nullopt: the slot works again
};

// Both preference slots, reading and writing, fail or work together.
std::array<SlotFailure, 2> PreferenceFailures(std::optional<GSErrCode> code);

// A slot the workbench supplies, as text.
std::optional<std::size_t> ParseSlot(std::string_view text, std::string& error);
// A non-zero host code: signed decimal, unsigned decimal, or 0x and up to eight hex digits.
std::optional<GSErrCode> ParseHostCode(std::string_view text, std::string& error);

} // namespace Workbench
