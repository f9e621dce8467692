#include "Jpeg.hpp"

#include <turbojpeg.h>

#include <memory>
#include <string>

namespace Workbench::Scene {

namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};

struct BufferFreer {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

[[noreturn]] void Fail(tjhandle handle) {
    throw JpegError(std::string("JPEG encoding failed: ") + tjGetErrorStr2(handle));
}

} // namespace

std::vector<unsigned char> EncodeJpeg(const RgbImage& image, int quality) {
    const std::unique_ptr<void, HandleCloser> handle(tjInitCompress());
    if (!handle)
        Fail(nullptr);
    // TurboJPEG allocates the output to fit and may grow it while it works; pitch 0 means rows
    // without padding.
    unsigned char* output = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(handle.get(), image.Bytes().data(), image.Width(), 0, image.Height(),
                                   TJPF_RGB, &output, &size, TJSAMP_420, quality, 0);
    const std::unique_ptr<unsigned char, BufferFreer> owned(output);
    if (status != 0)
        Fail(handle.get());
    return {output, output + size};
}

} // namespace Workbench::Scene
