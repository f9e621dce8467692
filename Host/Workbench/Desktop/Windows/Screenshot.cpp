#include "Screenshot.hpp"

#include "Bitmaps.hpp"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

using Microsoft::WRL::ComPtr;

namespace Desktop {

namespace {

void Check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        char code[11];
        snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
        throw std::runtime_error(std::string(what) + " failed (HRESULT " + code + ")");
    }
}

// A 32-bit top-down DIB section selected into a memory DC, for the length of one capture.
class CaptureTarget {
public:
    CaptureTarget(HDC screen, unsigned width, unsigned height) : dc(CreateCompatibleDC(screen)) {
        const BITMAPINFO info = TopDownBitmap(static_cast<int>(width), static_cast<int>(height), 32);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dc == nullptr || bitmap == nullptr) {
            Release();
            throw std::runtime_error("no memory for a " + std::to_string(width) + " x " +
                                     std::to_string(height) + " capture");
        }
        previous = SelectObject(dc, bitmap);
    }
    ~CaptureTarget() { Release(); }
    CaptureTarget(const CaptureTarget&) = delete;
    CaptureTarget& operator=(const CaptureTarget&) = delete;

    HDC Dc() const { return dc; }

    Picture Take(unsigned width, unsigned height) const {
        GdiFlush();
        Picture picture{width, height, {}};
        const auto* first = static_cast<const std::uint32_t*>(bits);
        picture.pixels.assign(first, first + std::size_t(width) * height);
        for (std::uint32_t& pixel : picture.pixels)
            pixel |= 0xFF000000u; // GDI leaves alpha undefined
        return picture;
    }

private:
    void Release() {
        if (previous != nullptr)
            SelectObject(dc, previous);
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        if (dc != nullptr)
            DeleteDC(dc);
    }

    HDC dc;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void* bits = nullptr;
};

} // namespace

std::size_t Picture::Colours(std::size_t limit) const {
    std::vector<std::uint32_t> seen;
    for (const std::uint32_t pixel : pixels) {
        if (seen.size() >= limit)
            break;
        if (std::find(seen.begin(), seen.end(), pixel) == seen.end())
            seen.push_back(pixel);
    }
    return seen.size();
}

Picture CaptureWindow(HWND window) {
    RECT frame{};
    if (!IsWindow(window) || !GetWindowRect(window, &frame))
        throw std::runtime_error("no window to capture");
    const auto width = static_cast<unsigned>(frame.right - frame.left);
    const auto height = static_cast<unsigned>(frame.bottom - frame.top);
    if (width == 0 || height == 0)
        throw std::runtime_error("the window has no area");
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);

    HDC windowDc = GetWindowDC(window);
    CaptureTarget target(windowDc, width, height);
    // The window draws itself where the system can ask it to; wine answers with a fill of its
    // background only (the rest left black), so the screen's copy serves when that is all there is.
    Picture picture;
    if (PrintWindow(window, target.Dc(), 0))
        picture = target.Take(width, height);
    if (picture.Colours(3) < 3) {
        BitBlt(target.Dc(), 0, 0, static_cast<int>(width), static_cast<int>(height), windowDc, 0, 0, SRCCOPY);
        picture = target.Take(width, height);
    }
    ReleaseDC(window, windowDc);
    return picture;
}

void WritePng(const Picture& picture, const std::wstring& path) {
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
          "creating the imaging factory");
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(&stream), "creating a stream");
    Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "opening the picture file");
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), "creating the PNG encoder");
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "starting the PNG encoder");
    ComPtr<IWICBitmapFrameEncode> frame;
    Check(encoder->CreateNewFrame(&frame, nullptr), "adding the picture");
    Check(frame->Initialize(nullptr), "starting the picture");
    Check(frame->SetSize(picture.width, picture.height), "sizing the picture");
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    Check(frame->SetPixelFormat(&format), "choosing the pixel format");
    if (format != GUID_WICPixelFormat32bppBGRA)
        throw std::runtime_error("the PNG encoder does not take 32-bit BGRA pixels");
    const UINT stride = picture.width * 4;
    Check(frame->WritePixels(picture.height, stride, stride * picture.height,
                             reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.pixels.data()))),
          "writing the pixels");
    Check(frame->Commit(), "finishing the picture");
    Check(encoder->Commit(), "finishing the PNG file");
}

HWND FrontWindowOfProcess() {
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

} // namespace Desktop
