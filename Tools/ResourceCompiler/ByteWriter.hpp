#pragma once

// Appends little-endian integers and zero-terminated texts to a byte buffer.

#include <cstdint>
#include <string_view>
#include <vector>

namespace ResourceCompiler {

class ByteWriter {
public:
    void U8(std::uint8_t value) { bytes.push_back(value); }
    void U16(std::uint16_t value) {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    void Raw(const std::vector<std::uint8_t>& data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    void CString(std::string_view text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        U8(0);
    }

    std::size_t Size() const { return bytes.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes; }

private:
    std::vector<std::uint8_t> bytes;
};

} // namespace ResourceCompiler
