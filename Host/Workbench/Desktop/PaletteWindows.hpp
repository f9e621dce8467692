#pragma once

// The dialog library's palettes as floating tool windows with their icon buttons, made, shown,
// hidden, enabled and destroyed as the library reports. A click on a button and the close control
// go back to the library as the user's actions on that palette.

#include "PanelItems.hpp"

#include "DGHost.hpp"

#include <windows.h>

#include <memory>
#include <vector>

namespace Desktop {

class PaletteWindow;

class PaletteWindows {
public:
    // Palettes float above `owner` (none: above the desktop).
    explicit PaletteWindows(HWND owner);
    ~PaletteWindows();
    PaletteWindows(const PaletteWindows&) = delete;
    PaletteWindows& operator=(const PaletteWindows&) = delete;

    void Changed(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change);

    // The window of the newest palette with `guid`, or null.
    HWND Find(const GS::Guid& guid) const;

    // The button of item `id` of the newest palette with `guid`, or null.
    HWND Button(const GS::Guid& guid, short id) const;

private:
    PaletteWindow* Newest(const GS::Guid& guid) const;

    HWND owner;
    std::vector<std::unique_ptr<PaletteWindow>> windows;
};

} // namespace Desktop
