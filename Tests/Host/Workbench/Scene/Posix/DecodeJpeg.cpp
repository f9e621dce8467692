// JPEG decoded with TurboJPEG's decompressor.

#include "SceneTestSupport.hpp"

#include <turbojpeg.h>

#include <memory>
#include <stdexcept>

namespace SceneTesting {

Workbench::Scene::RgbImage DecodeJpeg(std::span<const unsigned char> bytes) {
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
    return image;
}

} // namespace SceneTesting
