#pragma once

// What the 3D view's tests share: a scratch folder, reading files back, and decoding JPEG with
// TurboJPEG's own decompressor.

#include "Scene/RgbImage.hpp"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace SceneTesting {

// A fresh folder under the test's temporary folder, removed with everything in it (even after a
// test made it read-only).
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    // Every entry, hidden ones included.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path;
};

std::vector<unsigned char> ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::span<const unsigned char> bytes);

struct DecodedJpeg {
    Workbench::Scene::RgbImage image;
    int subsampling; // TJSAMP_*
};

// Throws std::runtime_error with TurboJPEG's message when the bytes are not a JPEG it can read.
DecodedJpeg DecodeJpeg(std::span<const unsigned char> bytes);

} // namespace SceneTesting
