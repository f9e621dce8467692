#pragma once

// What the tests check of a saved view: that the file is a JPEG from its start marker to its end
// marker, and the picture size its frame header gives. Read apart from the encoder, so a fault in
// one is not mirrored in the other.

#include <filesystem>
#include <string>

namespace WorkbenchTest {

struct JpegInfo {
    bool valid = false;
    std::string problem; // why it is not valid
    int width = 0;
    int height = 0;
};

JpegInfo ReadJpegInfo(const std::filesystem::path& file);

} // namespace WorkbenchTest
