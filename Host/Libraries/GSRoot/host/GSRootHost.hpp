#pragma once

// Host-side controls of GSRoot, for the workbench and tests only; the add-on never sees them.

#include "GSRoot/Definitions.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace GS {
class UniString;
}

namespace GS::Host {

struct MemoryStats {
    UInt64 liveBlocks = 0;
    UInt64 liveBytes = 0;
    UInt64 liveOperatorNewBlocks = 0; // of liveBlocks, those made by a module's operator new
    UInt64 allocations = 0;           // successful Allocate calls since start
    UInt64 failedAllocations = 0;
};

MemoryStats GetMemoryStats();

// Makes the n-th Allocate call from now fail (1: the next one); 0 disarms.
void FailNthAllocation(UInt64 n);

// Where DBPrintf text goes; an empty sink restores the default, standard error.
using DebugSink = std::function<void(std::string_view text)>;
void SetDebugSink(DebugSink sink);

// UTF-8 and UTF-16 on standard strings: the host's one conversion between them, for host code that
// must not allocate through GS::MemoryManager (that would disturb the add-on's allocation counts and
// injected failures). One policy for ill-formed input (a stray, cut, overlong or surrogate UTF-8
// sequence; a lone UTF-16 surrogate): each maximal ill-formed part becomes U+FFFD, as in GS::UniString
// and Windows' MultiByteToWideChar, and `replaced`, when given, tells whether that happened. Text that
// names something (a file, an argument, a header) must arrive unchanged or not at all: its callers
// pass `replaced` and refuse the text when it is set.
std::u16string Utf8ToUtf16(std::string_view text, bool* replaced = nullptr);
// The padding's zero bytes follow the text inside the string's capacity, for parsers that read
// ahead of the end.
std::string Utf16ToUtf8(std::u16string_view text, std::size_t padding = 0, bool* replaced = nullptr);

// A UniString's text on standard strings, without changing the form it is held in.
std::string ToUtf8(const UniString& text);
std::u16string ToUtf16(const UniString& text);

} // namespace GS::Host
