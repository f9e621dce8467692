#include "HostText.hpp"

#include "GSRoot/Guid.hpp"
#include "GSRootHost.hpp"

#include <cstdio>
#include <cstring>
#include <type_traits>

namespace Workbench {

std::string HexWord(UInt32 value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned int>(value));
    return text;
}

std::string ToUtf8(const GS::UniString& text) {
    return GS::Host::ToUtf8(text);
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::filesystem::path PathFromText(std::string_view utf8) {
    return std::u8string(utf8.begin(), utf8.end());
}

std::string HexBytes(std::span<const UInt8> bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const UInt8 byte : bytes) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0x0Fu];
    }
    return text;
}

std::string GuidText(std::span<const UInt8, 16> memoryForm) {
    // The record carries the GUID in GS::Guid's own memory form, so the library reads it back.
    static_assert(std::is_trivially_copyable_v<GS::Guid> && sizeof(GS::Guid) == 16);
    GS::Guid guid;
    std::memcpy(&guid, memoryForm.data(), sizeof guid);
    return ToUtf8(guid.ToUniString());
}

} // namespace Workbench
