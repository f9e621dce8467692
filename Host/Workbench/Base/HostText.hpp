#pragma once

// Conversions of host values into the text the console and the transcript show.

#include "GSRoot/Definitions.hpp"
#include "GSRoot/UniString.hpp"

#include <charconv>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace Workbench {

// "0x8D0ACB8B": eight upper-case digits, as reference ids are written.
std::string HexWord(UInt32 value);

// Converted without allocating through the host's memory manager, so the module's allocation
// counts and injected allocation failures see nothing of the host's own work.
std::string ToUtf8(const GS::UniString& text);

// Paths as the console and the transcript show them, and the command line's and scripts' text as
// paths: UTF-8 on every system. The standard library's narrow forms use the code page on Windows.
std::string PathText(const std::filesystem::path& path);
std::filesystem::path PathFromText(std::string_view utf8);

// The whole of `text` as a number in `base`; none when anything else stands in it.
template <typename Integer>
std::optional<Integer> ParseInteger(std::string_view text, int base) {
    Integer value{};
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (status != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// "00FF10": two upper-case digits a byte, nothing between them.
std::string HexBytes(std::span<const UInt8> bytes);

// The GUID's 16-byte memory form as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(std::span<const UInt8, 16> memoryForm);

} // namespace Workbench
