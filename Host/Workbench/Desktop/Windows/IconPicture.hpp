#pragma once

// An add-on's icon as a button shows it: the picture of its 'GICN' resource that suits the screen's
// DPI, drawn with its transparency at the icon's size scaled to that DPI.

#include "RS/RS.hpp"

#include <windows.h>

#include <memory>

namespace Desktop {

class IconPicture {
public:
    // Icon `iconId` of `resModule` for a window at `dpi`: the double-resolution picture from 144 DPI
    // up. Throws std::runtime_error when the module, the icon or its picture is missing or unreadable.
    IconPicture(GSResModule resModule, GSResID iconId, UINT dpi);
    ~IconPicture();
    IconPicture(const IconPicture&) = delete;
    IconPicture& operator=(const IconPicture&) = delete;

    // Centred in `area`; a disabled button's icon is faded.
    void Draw(HDC dc, const RECT& area, bool enabled) const;

    SIZE DrawnSize() const { return drawn; }

private:
    HBITMAP bitmap = nullptr; // 32-bit, premultiplied alpha
    SIZE picture{};
    SIZE drawn{};
};

} // namespace Desktop
