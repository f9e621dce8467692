#pragma once

// The dialog library's palettes as floating tool windows with their icon buttons, made, shown,
// hidden, enabled and destroyed as the library reports. A click on a button and the close control
// go back to the library as the user's actions on that palette.

#include "PanelItems.hpp"

#include "DGHost.hpp"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace Desktop {

class PaletteWindow;

// What a person's click on a palette's button, and on its close control, do.
struct PaletteActions {
    std::function<void(const GS::Guid& palette, short item)> click = [](const GS::Guid& palette, short item) {
        DG::Host::ClickPaletteItem(palette, item);
    };
    std::function<void(const GS::Guid& palette)> close = [](const GS::Guid& palette) {
        DG::Host::RequestPaletteClose(palette);
    };
};

class PaletteWindows {
public:
    // Palettes float above `owner` (none: above the desktop).
    explicit PaletteWindows(HWND owner, PaletteActions actions = {});

    // Palettes made from now on float above `owner`.
    void SetOwner(HWND window) { owner = window; }
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
    PaletteActions actions;
    std::vector<std::unique_ptr<PaletteWindow>> windows;
};

} // namespace Desktop
