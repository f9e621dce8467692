// The Windows Imaging Component's JPEG encoder, writing into a stream in memory.

#include "Jpeg.hpp"

#include <windows.h>

#include <objidl.h>
#include <wincodec.h>

#include <string>
#include <system_error>

namespace Workbench::Scene {

namespace {

// A COM interface pointer, released on every path out of its scope.
template <class Interface>
class Com {
public:
    Com() = default;
    ~Com() {
        if (pointer != nullptr)
            pointer->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;

    Interface* operator->() const { return pointer; }
    Interface* Get() const { return pointer; }
    Interface** Out() { return &pointer; }

private:
    Interface* pointer = nullptr;
};

void Check(HRESULT result, const char* step) {
    if (FAILED(result))
        throw JpegError(std::string("JPEG encoding failed: ") + step + ": " +
                        std::system_category().message(static_cast<int>(result)));
}

// COM belongs to the thread; the encoder joins whatever the thread has, or makes its own for the call.
class ComScope {
public:
    ComScope() : result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {
        if (FAILED(result) && result != RPC_E_CHANGED_MODE)
            Check(result, "CoInitializeEx");
    }
    ~ComScope() {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result;
};

void SetProperty(IPropertyBag2* properties, const wchar_t* name, VARIANT value, const char* step) {
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(name);
    Check(properties->Write(1, &option, &value), step);
}

// WIC takes blue, green, red; the picture holds red, green, blue.
std::vector<BYTE> BgrRows(const RgbImage& image) {
    const auto rgb = image.Bytes();
    std::vector<BYTE> bgr(rgb.size());
    for (std::size_t at = 0; at + 2 < rgb.size(); at += 3) {
        bgr[at] = rgb[at + 2];
        bgr[at + 1] = rgb[at + 1];
        bgr[at + 2] = rgb[at];
    }
    return bgr;
}

} // namespace

std::vector<unsigned char> EncodeJpeg(const RgbImage& image, int quality) {
    // WIC takes any quality from 0 to 1 and writes nothing for an empty frame without complaint.
    if (quality < 1 || quality > 100)
        throw JpegError("JPEG encoding failed: the quality " + std::to_string(quality) +
                        " is not between 1 and 100");
    if (image.Width() == 0 || image.Height() == 0)
        throw JpegError("JPEG encoding failed: the picture is empty");
    const ComScope com;
    Com<IWICImagingFactory> factory;
    Check(
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.Out())),
        "no imaging factory");
    Com<IStream> stream;
    Check(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()), "no memory stream");
    Com<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Out()), "no JPEG encoder");
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "encoder");

    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> properties;
    Check(encoder->CreateNewFrame(frame.Out(), properties.Out()), "frame");
    VARIANT value{};
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(quality) / 100.0f;
    SetProperty(properties.Get(), L"ImageQuality", value, "quality");
    value = {};
    value.vt = VT_UI1;
    value.bVal = WICJpegYCrCbSubsampling420;
    SetProperty(properties.Get(), L"JpegYCrCbSubsampling", value, "chroma subsampling");
    Check(frame->Initialize(properties.Get()), "frame settings");
    const auto width = static_cast<UINT>(image.Width());
    const auto height = static_cast<UINT>(image.Height());
    Check(frame->SetSize(width, height), "size");
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    Check(frame->SetPixelFormat(&format), "pixel format");
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        throw JpegError("JPEG encoding failed: the encoder does not take 24-bit pictures");
    std::vector<BYTE> rows = BgrRows(image);
    Check(frame->WritePixels(height, width * 3, static_cast<UINT>(rows.size()), rows.data()), "pixels");
    Check(frame->Commit(), "frame");
    Check(encoder->Commit(), "file");

    STATSTG status{};
    Check(stream->Stat(&status, STATFLAG_NONAME), "stream size");
    std::vector<unsigned char> jpeg(static_cast<std::size_t>(status.cbSize.QuadPart));
    Check(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), "stream start");
    ULONG got = 0;
    Check(stream->Read(jpeg.data(), static_cast<ULONG>(jpeg.size()), &got), "stream read");
    jpeg.resize(got);
    return jpeg;
}

} // namespace Workbench::Scene
