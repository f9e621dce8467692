#pragma once

// An 8-bit RGB picture, rows top to bottom, three bytes a pixel with no padding: the layout the
// JPEG encoder takes as it is.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace Workbench::Scene {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    bool operator==(const Rgb&) const = default;
};

class RgbImage {
public:
    // Black; a zero side gives an empty picture.
    RgbImage(int columns, int rows) : width(columns), height(rows), bytes(CheckedByteCount(columns, rows)) {}

    int Width() const { return width; }
    int Height() const { return height; }
    std::span<const unsigned char> Bytes() const { return bytes; }

    // Throws std::out_of_range outside the picture.
    Rgb At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            throw std::out_of_range("pixel outside the picture");
        const unsigned char* p = &bytes[Offset(x, y)];
        return {p[0], p[1], p[2]};
    }

    // The caller keeps 0 <= x < Width() and 0 <= y < Height(); this is the renderer's inner loop.
    void Set(int x, int y, Rgb colour) {
        unsigned char* p = &bytes[Offset(x, y)];
        p[0] = colour.r;
        p[1] = colour.g;
        p[2] = colour.b;
    }

    bool operator==(const RgbImage&) const = default;

private:
    static std::size_t CheckedByteCount(int width, int height) {
        if (width < 0 || height < 0)
            throw std::invalid_argument("a picture cannot have a negative side");
        return std::size_t(width) * std::size_t(height) * 3;
    }

    std::size_t Offset(int x, int y) const {
        return (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    }

    int width;
    int height;
    std::vector<unsigned char> bytes;
};

} // namespace Workbench::Scene
