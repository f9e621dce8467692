#pragma once

// What the 3D view's tests share: a scratch folder, reading files back, and decoding JPEG with a
// decoder apart from the encoder (TurboJPEG's decompressor, on Windows the Imaging Component's).

#include "Scene/RgbImage.hpp"
#include "TestPlatform.hpp"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace SceneTesting {

// A fresh folder, removed with everything in it.
class ScratchFolder : public HostTest::TemporaryFolder {
public:
    std::filesystem::path operator/(const std::string& name) const { return Path() / name; }
    // Every entry, hidden ones included.
    std::vector<std::string> Entries() const;
};

std::vector<unsigned char> ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::span<const unsigned char> bytes);

// Throws std::runtime_error with the decoder's message when the bytes are not a JPEG it can read.
Workbench::Scene::RgbImage DecodeJpeg(std::span<const unsigned char> bytes);

} // namespace SceneTesting
