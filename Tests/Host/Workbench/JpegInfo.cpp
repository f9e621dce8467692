#include "JpegInfo.hpp"

#include <fstream>
#include <iterator>
#include <vector>

namespace WorkbenchTest {

namespace {

JpegInfo Invalid(std::string problem) {
    return {false, std::move(problem), 0, 0, {}};
}

} // namespace

JpegInfo ReadJpegInfo(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(stream)), {});
    return ReadJpegInfo(bytes);
}

JpegInfo ReadJpegInfo(std::span<const unsigned char> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return Invalid("no start-of-image marker");
    if (bytes[bytes.size() - 2] != 0xFF || bytes.back() != 0xD9)
        return Invalid("no end-of-image marker at the end");
    // Segments up to the first frame header; each has a 16-bit big-endian length after its marker.
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF)
            return Invalid("no marker where a segment should start");
        const unsigned char marker = bytes[at + 1];
        const std::size_t length = std::size_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length < 2 || at + 2 + length > bytes.size())
            return Invalid("a segment runs past the end");
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            const std::size_t components = length >= 8 ? bytes[at + 9] : 0;
            if (length < 8 + 3 * components)
                return Invalid("a frame header too short");
            JpegInfo info;
            info.valid = true;
            info.height = bytes[at + 5] << 8 | bytes[at + 6];
            info.width = bytes[at + 7] << 8 | bytes[at + 8];
            for (std::size_t component = 0; component < components; ++component)
                info.sampling.push_back(bytes[at + 11 + 3 * component]); // after the component's id
            return info;
        }
        at += 2 + length;
    }
    return Invalid("no frame header");
}

} // namespace WorkbenchTest
