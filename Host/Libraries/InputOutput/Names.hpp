#pragma once

// What a name and a path are to this system, each platform's own.

#include "GSRoot/UniString.hpp"

#include <filesystem>
#include <optional>
#include <string_view>

namespace IO::Detail {

// Whether the system takes `name` (not empty, "." or "..") as an entry of the folder it is joined to:
// nothing in it reaches another folder, a drive or a device.
bool IsEntryName(std::u16string_view name);

// `location` (a path in the system's form) as the system takes it, or nothing when a zero character
// in it would cut the path short. May throw std::bad_alloc and std::length_error while copying it.
std::optional<std::filesystem::path> SystemPath(const GS::UniString& location);

} // namespace IO::Detail
