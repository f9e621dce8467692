#include "Png.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace ResourceCompiler {

namespace {

constexpr std::array<std::uint8_t, 8> Signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Signature, then the IHDR chunk: length 13, "IHDR", width and height (big-endian), ...
constexpr std::size_t HeaderEnd = 8 + 8 + 13;

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
           std::uint32_t(bytes[at + 2]) << 8 | std::uint32_t(bytes[at + 3]);
}

} // namespace

PngSize ReadPngSize(const std::vector<std::uint8_t>& png) {
    if (png.size() < Signature.size() || !std::equal(Signature.begin(), Signature.end(), png.begin()))
        throw std::runtime_error("not a PNG file");
    if (png.size() < HeaderEnd || BigEndian32(png, 8) != 13 ||
        !std::equal(png.begin() + 12, png.begin() + 16, std::begin("IHDR")))
        throw std::runtime_error("PNG file without its IHDR header");
    return PngSize{BigEndian32(png, 16), BigEndian32(png, 20)};
}

} // namespace ResourceCompiler
