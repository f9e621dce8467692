#pragma once

// Conversions of host values into the text the console and the transcript show.

#include "GSRoot/Definitions.hpp"
#include "GSRoot/UniString.hpp"

#include <span>
#include <string>

namespace Workbench {

// "0x8D0ACB8B": eight upper-case digits, as reference ids are written.
std::string HexWord(UInt32 value);

// Converted without allocating through the host's memory manager, so the module's allocation
// counts and injected allocation failures see nothing of the host's own work.
std::string ToUtf8(const GS::UniString& text);

// "00FF10": two upper-case digits a byte, nothing between them.
std::string HexBytes(std::span<const UInt8> bytes);

// The GUID's 16-byte memory form as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(std::span<const UInt8, 16> memoryForm);

} // namespace Workbench
