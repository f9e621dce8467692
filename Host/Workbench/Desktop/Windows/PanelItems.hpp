#pragma once

// The items of a dialog resource as child windows: buttons, left-aligned texts, separators and icon
// buttons, at the resource's rectangles scaled to the window's DPI, in the window's font. The panel
// window itself gets the resource's client size, placed at the resource's position from the origin
// of its owner's client area (of the screen when it has no owner). Texts and separators take clicks
// too, as the dialog library's items do.

#include "IconPicture.hpp"

#include "DGHost.hpp"

#include <windows.h>

#include <map>
#include <memory>
#include <optional>

namespace Desktop {

class PanelItems {
public:
    PanelItems(HWND panel, const DG::Host::DialogView& view);
    PanelItems(const PanelItems&) = delete;
    PanelItems& operator=(const PanelItems&) = delete;

    // Enables and disables the items as `view` says.
    void Update(const DG::Host::DialogView& view) const;

    // Answers WM_DRAWITEM for an icon button; false for anything else.
    bool Draw(const DRAWITEMSTRUCT& item) const;

    // The child window of item `id`, or null.
    HWND Item(short id) const { return ItemWindow(panel, id); }

    // The child window of item `id` of a panel window made with these items, or null.
    static HWND ItemWindow(HWND panel, short id);

    // The item a WM_COMMAND names as clicked, if it names one of the items.
    static std::optional<short> ClickedItem(WPARAM wParam);

    // Sends item `id` of `panel` the messages a person's click makes; false when it has no such item.
    static bool Click(HWND panel, short id);

private:
    HWND panel;
    std::map<short, std::unique_ptr<IconPicture>> icons;
};

} // namespace Desktop
