#include "PanelItems.hpp"

#include "Wide.hpp"

#include <iostream>

namespace Desktop {

namespace {

using DG::Host::DialogView;
using DG::Host::ItemKind;
using DG::Host::ItemView;

// Item ids start at 1; the dialog manager's IDOK and IDCANCEL are 1 and 2.
constexpr int FirstControlId = 1000;

int Scaled(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

void Place(HWND panel, const DialogView& view, UINT dpi) {
    RECT frame{0, 0, Scaled(view.rect.width, dpi), Scaled(view.rect.height, dpi)};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(panel, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(panel, GWL_EXSTYLE)), dpi);
    POINT origin{0, 0};
    if (HWND owner = GetWindow(panel, GW_OWNER); owner != nullptr)
        ClientToScreen(owner, &origin);
    SetWindowPos(panel, nullptr, origin.x + Scaled(view.rect.x, dpi), origin.y + Scaled(view.rect.y, dpi),
                 frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

struct Control {
    const wchar_t* windowClass;
    LONG style;
};

Control ControlFor(const ItemView& item) {
    switch (item.kind) {
    case ItemKind::Button:
        if (item.IsIconButton())
            return {L"BUTTON", BS_OWNERDRAW | WS_TABSTOP};
        // Item 1 accepts: it is the button Enter presses.
        return {L"BUTTON", (item.id == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP};
    case ItemKind::LeftText:
        return {L"STATIC", SS_LEFT | SS_NOTIFY};
    case ItemKind::Separator:
        return {L"STATIC", SS_ETCHEDHORZ | SS_NOTIFY};
    }
    return {L"STATIC", SS_LEFT | SS_NOTIFY};
}

} // namespace

PanelItems::PanelItems(HWND window, const DialogView& view) : panel(window) {
    const UINT dpi = GetDpiForWindow(panel);
    Place(panel, view, dpi);
    SetWindowTextW(panel, Widen(view.title).c_str());
    const auto font = static_cast<WPARAM>(SendMessageW(panel, WM_GETFONT, 0, 0));
    for (const ItemView& item : view.items) {
        const Control control = ControlFor(item);
        HWND child = CreateWindowExW(0, control.windowClass, Widen(item.text).c_str(),
                                     static_cast<DWORD>(WS_CHILD | WS_VISIBLE | control.style),
                                     Scaled(item.rect.x, dpi), Scaled(item.rect.y, dpi),
                                     Scaled(item.rect.width, dpi), Scaled(item.rect.height, dpi), panel,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(FirstControlId + item.id)),
                                     GetModuleHandleW(nullptr), nullptr);
        if (child == nullptr)
            throw std::runtime_error("item " + std::to_string(item.id) + " of dialog " +
                                     std::to_string(view.resId) + " could not be created (error " +
                                     std::to_string(GetLastError()) + ")");
        if (font != 0)
            SendMessageW(child, WM_SETFONT, font, FALSE);
        if (item.IsIconButton()) {
            try {
                icons.emplace(item.id, std::make_unique<IconPicture>(view.iconResModule, item.iconId, dpi));
            } catch (const std::exception& error) { // the button stays, without its picture
                std::cerr << "dialog " << view.resId << ": " << error.what() << '\n';
            }
        }
    }
    Update(view);
}

void PanelItems::Update(const DialogView& view) const {
    for (const ItemView& item : view.items)
        if (HWND child = Item(item.id); child != nullptr && (IsWindowEnabled(child) != FALSE) != item.enabled)
            EnableWindow(child, item.enabled);
}

bool PanelItems::Draw(const DRAWITEMSTRUCT& draw) const {
    const auto control = static_cast<int>(draw.CtlID);
    if (draw.CtlType != ODT_BUTTON || control <= FirstControlId)
        return false;
    const auto icon = icons.find(static_cast<short>(control - FirstControlId));
    const bool pressed = (draw.itemState & ODS_SELECTED) != 0;
    RECT area = draw.rcItem;
    FillRect(draw.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(draw.hDC, &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    if (pressed)
        OffsetRect(&area, 1, 1);
    if (icon != icons.end())
        icon->second->Draw(draw.hDC, area, (draw.itemState & ODS_DISABLED) == 0);
    if ((draw.itemState & ODS_FOCUS) != 0) {
        InflateRect(&area, -2, -2);
        DrawFocusRect(draw.hDC, &area);
    }
    return true;
}

HWND PanelItems::ItemWindow(HWND panel, short id) {
    return GetDlgItem(panel, FirstControlId + id);
}

std::optional<short> PanelItems::ClickedItem(WPARAM wParam) {
    const int control = LOWORD(wParam);
    if (HIWORD(wParam) != BN_CLICKED || control <= FirstControlId)
        return std::nullopt;
    return static_cast<short>(control - FirstControlId);
}

bool PanelItems::Click(HWND panel, short id) {
    HWND item = ItemWindow(panel, id);
    if (item == nullptr)
        return false;
    wchar_t windowClass[16] = {};
    GetClassNameW(item, windowClass, 16);
    if (lstrcmpiW(windowClass, L"Button") == 0) {
        PostMessageW(item, BM_CLICK, 0, 0);
        return true;
    }
    RECT area{};
    GetClientRect(item, &area);
    const LPARAM centre = MAKELPARAM(area.right / 2, area.bottom / 2);
    PostMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageW(item, WM_LBUTTONUP, 0, centre);
    return true;
}

} // namespace Desktop
