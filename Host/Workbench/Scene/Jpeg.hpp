#pragma once

// JPEG encoding through the system's encoder: libjpeg-turbo's TurboJPEG interface on POSIX, the
// Windows Imaging Component on Windows.

#include "RgbImage.hpp"

#include <stdexcept>
#include <vector>

namespace Workbench::Scene {

class JpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Baseline JPEG with 4:2:0 chroma subsampling. `quality` runs from 1 to 100. Throws JpegError with
// the encoder's own reason when it refuses the arguments (an empty picture, a quality out of range)
// or fails.
std::vector<unsigned char> EncodeJpeg(const RgbImage& image, int quality);

} // namespace Workbench::Scene
