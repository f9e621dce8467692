#pragma once

// The host's binary forms of string lists, dialogs, their item names and the module identity.
// Each starts with a 32-bit little-endian count of the bytes that follow it.

#include "ResourceScript.hpp"

#include <cstdint>
#include <vector>

namespace ResourceCompiler {

using Bytes = std::vector<std::uint8_t>;

Bytes EncodeStringList(const StringList& list);
Bytes EncodeDialog(const Dialog& dialog);
Bytes EncodeItemNames(const DialogItemNames& names);
Bytes EncodeModuleIdentity(const ModuleIdentity& identity);

} // namespace ResourceCompiler
