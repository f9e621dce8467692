#pragma once

// Who an add-on is, for the host's records of it: its module identity ('MDID' 32500, a developer
// id and an add-on id) when it has one, else the name of its file. The identity survives a rename
// or a move of the module; the file name is what is left when the module has none.

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace Workbench {

inline constexpr int ModuleIdentityResourceId = 32500;

struct ModuleIdentity {
    std::string key;     // a plain file name: "mdid-4B41564C-00000001" or "file-KAVELO.apx"
    std::string problem; // why the identity resource was not used; empty when it was, or is missing
};

// `mdid` is the resource's data: a 32-bit byte count of 8, then the developer id and the add-on id,
// little-endian.
ModuleIdentity IdentifyModule(std::optional<std::span<const std::byte>> mdid, const std::string& modulePath);

} // namespace Workbench
