#pragma once

// What the tests check of a saved view: that the file is a JPEG from its start marker to its end
// marker, and the picture size and sampling its frame header gives. Read apart from the encoder, so a fault
// in one is not mirrored in the other.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace WorkbenchTest {

struct JpegInfo {
    bool valid = false;
    std::string problem; // why it is not valid
    int width = 0;
    int height = 0;
    // Per component, its sampling factors as the frame header packs them: horizontal × 16 + vertical.
    std::vector<int> sampling;
};

// 4:2:0: luma sampled twice as densely as each of the two chroma components, both ways.
inline const std::vector<int> Chroma420 = {0x22, 0x11, 0x11};

JpegInfo ReadJpegInfo(std::span<const unsigned char> bytes);
JpegInfo ReadJpegInfo(const std::filesystem::path& file);

} // namespace WorkbenchTest
