#include "SceneTestSupport.hpp"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <stdlib.h>

namespace SceneTesting {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::path(testing::TempDir()) / "scene-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder from " + pattern);
    path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(path, ignored))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

std::vector<std::string> ScratchFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path.string());
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, std::span<const unsigned char> bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

DecodedJpeg DecodeJpeg(std::span<const unsigned char> bytes) {
    const std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitDecompress(), tjDestroy);
    if (!handle)
        throw std::runtime_error(tjGetErrorStr2(nullptr));
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                            &height, &subsampling, &colourspace) != 0)
        throw std::runtime_error(tjGetErrorStr2(handle.get()));
    std::vector<unsigned char> pixels(std::size_t(width) * std::size_t(height) * 3);
    if (tjDecompress2(handle.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), pixels.data(),
                      width, 0, height, TJPF_RGB, TJFLAG_STOPONWARNING) != 0)
        throw std::runtime_error(tjGetErrorStr2(handle.get()));
    Workbench::Scene::RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
            image.Set(x, y, {p[0], p[1], p[2]});
        }
    return {std::move(image), subsampling};
}

} // namespace SceneTesting
