#pragma once

// Decoding JPEG for the 3D view's tests with a decoder apart from the encoder (TurboJPEG's
// decompressor, on Windows the Imaging Component's).

#include "Scene/RgbImage.hpp"

#include <span>

namespace SceneTesting {

// Throws std::runtime_error with the decoder's message when the bytes are not a JPEG it can read.
Workbench::Scene::RgbImage DecodeJpeg(std::span<const unsigned char> bytes);

} // namespace SceneTesting
