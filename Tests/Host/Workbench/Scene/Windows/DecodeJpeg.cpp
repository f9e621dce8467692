// JPEG decoded with the Windows Imaging Component's decoder.

#include "SceneTestSupport.hpp"

#include <windows.h>

#include <wincodec.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace SceneTesting {

namespace {

template <class Interface>
struct Released {
    Interface* pointer = nullptr;
    ~Released() {
        if (pointer != nullptr)
            pointer->Release();
    }
    Interface* operator->() const { return pointer; }
};

void Check(HRESULT result, const char* step) {
    if (FAILED(result))
        throw std::runtime_error(std::string(step) + ": " +
                                 std::system_category().message(static_cast<int>(result)));
}

} // namespace

Workbench::Scene::RgbImage DecodeJpeg(std::span<const unsigned char> bytes) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    struct Uninitialize {
        HRESULT result;
        ~Uninitialize() {
            if (SUCCEEDED(result))
                CoUninitialize();
        }
    } scope{com};
    Released<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_PPV_ARGS(&factory.pointer)),
          "CoCreateInstance");
    Released<IWICStream> stream;
    Check(factory->CreateStream(&stream.pointer), "CreateStream");
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())),
          "InitializeFromMemory");
    Released<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromStream(stream.pointer, &GUID_ContainerFormatJpeg,
                                           WICDecodeMetadataCacheOnDemand, &decoder.pointer),
          "CreateDecoderFromStream");
    Released<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, &frame.pointer), "GetFrame");
    Released<IWICBitmapSource> rgb;
    Check(WICConvertBitmapSource(GUID_WICPixelFormat24bppRGB, frame.pointer, &rgb.pointer),
          "WICConvertBitmapSource");
    UINT width = 0, height = 0;
    Check(rgb->GetSize(&width, &height), "GetSize");
    const UINT stride = width * 3;
    std::vector<BYTE> pixels(std::size_t(stride) * height);
    Check(rgb->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()), "CopyPixels");
    Workbench::Scene::RgbImage image(static_cast<int>(width), static_cast<int>(height));
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const BYTE* p = &pixels[std::size_t(y) * stride + std::size_t(x) * 3];
            image.Set(static_cast<int>(x), static_cast<int>(y), {p[0], p[1], p[2]});
        }
    return image;
}

} // namespace SceneTesting
