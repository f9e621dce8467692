#include "IconPicture.hpp"

#include "Bitmaps.hpp"
#include "RSHost.hpp"

#include <wincodec.h>
#include <wrl/client.h>

#include <optional>
#include <span>
#include <stdexcept>
#include <string>

using Microsoft::WRL::ComPtr;

namespace Desktop {

namespace {

constexpr UINT BaseDpi = 96;

std::optional<std::span<const std::byte>> FindPicture(const RS::Host::ResourceFile& module, GSResID iconId,
                                                      UINT dpi) {
    return module.FindNamed(RS::Host::FourCC("GICN"),
                            "I" + std::to_string(iconId) + "&" + std::to_string(dpi));
}

void Check(HRESULT result, GSResID iconId, const char* what) {
    if (FAILED(result))
        throw std::runtime_error("icon " + std::to_string(iconId) + ": " + what + " failed");
}

// The PNG's pixels, premultiplied as AlphaBlend takes them.
HBITMAP Decode(std::span<const std::byte> png, GSResID iconId, SIZE& size) {
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
          iconId, "creating the imaging factory");
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(&stream), iconId, "creating a stream");
    Check(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<std::byte*>(png.data())),
                                       static_cast<DWORD>(png.size())),
          iconId, "reading the picture");
    ComPtr<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder),
          iconId, "decoding the picture");
    ComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, &frame), iconId, "decoding the picture");
    ComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(&converter), iconId, "converting the picture");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                0.0, WICBitmapPaletteTypeCustom),
          iconId, "converting the picture");
    UINT width = 0;
    UINT height = 0;
    Check(converter->GetSize(&width, &height), iconId, "sizing the picture");

    const BITMAPINFO info = TopDownBitmap(static_cast<int>(width), static_cast<int>(height), 32);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        throw std::runtime_error("icon " + std::to_string(iconId) + ": no memory for its picture");
    const HRESULT copied =
        converter->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits));
    if (FAILED(copied)) {
        DeleteObject(bitmap);
        Check(copied, iconId, "copying the pixels");
    }
    size = {static_cast<LONG>(width), static_cast<LONG>(height)};
    return bitmap;
}

} // namespace

IconPicture::IconPicture(GSResModule resModule, GSResID iconId, UINT dpi) {
    const RS::Host::ResourceFile* module = RS::Host::FindModule(resModule);
    if (module == nullptr)
        throw std::runtime_error("icon " + std::to_string(iconId) +
                                 ": its resource module is not registered");
    const auto base = FindPicture(*module, iconId, BaseDpi);
    if (!base)
        throw std::runtime_error("icon " + std::to_string(iconId) + " has no picture");
    const auto sharp = dpi >= BaseDpi * 3 / 2 ? FindPicture(*module, iconId, BaseDpi * 2) : std::nullopt;
    SIZE baseSize{};
    if (sharp) {
        DeleteObject(Decode(*base, iconId, baseSize));
        bitmap = Decode(*sharp, iconId, picture);
    } else {
        bitmap = Decode(*base, iconId, picture);
        baseSize = picture;
    }
    drawn = {MulDiv(baseSize.cx, static_cast<int>(dpi), BaseDpi),
             MulDiv(baseSize.cy, static_cast<int>(dpi), BaseDpi)};
}

IconPicture::~IconPicture() {
    DeleteObject(bitmap);
}

void IconPicture::Draw(HDC dc, const RECT& area, bool enabled) const {
    HDC source = CreateCompatibleDC(dc);
    const HGDIOBJ previous = SelectObject(source, bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(enabled ? 255 : 80), AC_SRC_ALPHA};
    const int x = area.left + (area.right - area.left - drawn.cx) / 2;
    const int y = area.top + (area.bottom - area.top - drawn.cy) / 2;
    AlphaBlend(dc, x, y, drawn.cx, drawn.cy, source, 0, 0, picture.cx, picture.cy, blend);
    SelectObject(source, previous);
    DeleteDC(source);
}

} // namespace Desktop
