#include "PaletteWindows.hpp"

#include "Bitmaps.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Desktop {

using DG::Host::PaletteChange;
using DG::Host::PaletteView;

namespace {

constexpr wchar_t WindowClass[] = L"KaveloPalette";
// Posted to itself: the library may destroy the palette while it handles the click.
constexpr UINT WM_PALETTE_CLICK = WM_APP + 1;
constexpr UINT WM_PALETTE_CLOSE = WM_APP + 2;

} // namespace

class PaletteWindow {
public:
    PaletteWindow(const PaletteView& view, HWND owner, const PaletteActions& userActions)
        : guid(view.guid), actions(userActions) {
        RegisterWindowClass(WindowClass, Procedure);
        window = CreateWindowExW(WS_EX_TOOLWINDOW, WindowClass, L"", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                                 0, 0, owner, nullptr, GetModuleHandleW(nullptr), this);
        if (window == nullptr)
            throw std::runtime_error("palette " + std::to_string(view.dialog.resId) +
                                     " could not be made (error " + std::to_string(GetLastError()) + ")");
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        items = std::make_unique<PanelItems>(window, view.dialog);
    }
    ~PaletteWindow() {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
    PaletteWindow(const PaletteWindow&) = delete;
    PaletteWindow& operator=(const PaletteWindow&) = delete;

    const GS::Guid& Guid() const { return guid; }
    HWND Handle() const { return window; }
    const PanelItems& Items() const { return *items; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(
                window, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* palette = reinterpret_cast<PaletteWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (palette == nullptr)
            return DefWindowProcW(window, message, wParam, lParam);
        switch (message) {
        case WM_SETFONT:
            palette->font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(palette->font);
        case WM_COMMAND:
            if (const auto item = PanelItems::ClickedItem(wParam))
                PostMessageW(window, WM_PALETTE_CLICK, static_cast<WPARAM>(*item), 0);
            return 0;
        case WM_CLOSE: // the close control; the library decides
            PostMessageW(window, WM_PALETTE_CLOSE, 0, 0);
            return 0;
        case WM_PALETTE_CLICK: { // `palette` may be gone afterwards
            const GS::Guid id = palette->guid;
            const PaletteActions& act = palette->actions;
            act.click(id, static_cast<short>(wParam));
            return 0;
        }
        case WM_PALETTE_CLOSE: {
            const GS::Guid id = palette->guid;
            const PaletteActions& act = palette->actions;
            act.close(id);
            return 0;
        }
        case WM_DRAWITEM:
            if (palette->items != nullptr &&
                palette->items->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    GS::Guid guid;
    const PaletteActions& actions; // the manager's, which outlives its palettes
    HWND window = nullptr;
    HFONT font = nullptr;
    std::unique_ptr<PanelItems> items;
};

PaletteWindows::PaletteWindows(HWND ownerWindow, PaletteActions userActions)
    : owner(ownerWindow), actions(std::move(userActions)) {}

PaletteWindows::~PaletteWindows() = default;

void PaletteWindows::Changed(const PaletteView& palette, PaletteChange change) {
    if (change == PaletteChange::Created) {
        windows.push_back(std::make_unique<PaletteWindow>(palette, owner, actions));
        return;
    }
    PaletteWindow* window = Newest(palette.guid);
    if (window == nullptr)
        return;
    switch (change) {
    case PaletteChange::Shown:
        ShowWindow(window->Handle(), SW_SHOWNOACTIVATE);
        UpdateWindow(window->Handle());
        break;
    case PaletteChange::Hidden:
        ShowWindow(window->Handle(), SW_HIDE);
        break;
    case PaletteChange::ItemsEnabled:
    case PaletteChange::ItemsDisabled:
        window->Items().Update(palette.dialog);
        break;
    case PaletteChange::Destroyed:
        windows.erase(std::find_if(windows.begin(), windows.end(),
                                   [window](const auto& candidate) { return candidate.get() == window; }));
        break;
    case PaletteChange::Created:
    case PaletteChange::EventProcessingBegun:
    case PaletteChange::EventProcessingEnded:
        break;
    }
}

HWND PaletteWindows::Find(const GS::Guid& guid) const {
    const PaletteWindow* window = Newest(guid);
    return window != nullptr ? window->Handle() : nullptr;
}

HWND PaletteWindows::Button(const GS::Guid& guid, short id) const {
    const PaletteWindow* window = Newest(guid);
    return window != nullptr ? window->Items().Item(id) : nullptr;
}

PaletteWindow* PaletteWindows::Newest(const GS::Guid& guid) const {
    const auto found = std::find_if(windows.rbegin(), windows.rend(),
                                    [&guid](const auto& window) { return window->Guid() == guid; });
    return found != windows.rend() ? found->get() : nullptr;
}

} // namespace Desktop
