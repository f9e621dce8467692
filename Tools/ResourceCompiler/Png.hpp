#pragma once

// The picture size a PNG file declares in its IHDR chunk.

#include <cstdint>
#include <vector>

namespace ResourceCompiler {

struct PngSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Throws std::runtime_error when the bytes do not start with a PNG signature and its IHDR chunk.
PngSize ReadPngSize(const std::vector<std::uint8_t>& png);

} // namespace ResourceCompiler
