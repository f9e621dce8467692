#include "MainWindow.hpp"

#include "Bitmaps.hpp"
#include "Scene/SceneView.hpp"
#include "Wide.hpp"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace Workbench {

namespace {

constexpr wchar_t WindowClass[] = L"KaveloWorkbench";
constexpr wchar_t DebugPaneClass[] = L"KaveloDebugLog";

// The add-on's commands keep their menu ids (1 to 32767); the workbench's own lie above them.
constexpr UINT CommandFirstWindow = 40001; // + the kind's place in Kinds
constexpr UINT CommandDebugLog = 40010;
constexpr UINT CommandExit = 40011;

constexpr WindowKind Kinds[] = {WindowKind::FloorPlan, WindowKind::Section, WindowKind::Model3D,
                                WindowKind::Layout};

const wchar_t* KindTitle(WindowKind kind) {
    switch (kind) {
    case WindowKind::FloorPlan:
        return L"Floor plan";
    case WindowKind::Section:
        return L"Section";
    case WindowKind::Model3D:
        return L"3D window";
    case WindowKind::Layout:
        return L"Layout";
    }
    return L"";
}

int StatusHeight(HWND window) {
    return MulDiv(22, static_cast<int>(GetDpiForWindow(window)), USER_DEFAULT_SCREEN_DPI);
}

LRESULT CALLBACK DebugPaneProcedure(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE: // only hidden: it keeps collecting
        ShowWindow(pane, SW_HIDE);
        return 0;
    case WM_SIZE:
        MoveWindow(GetWindow(pane, GW_CHILD), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    default:
        return DefWindowProcW(pane, message, wParam, lParam);
    }
}

} // namespace

MainWindow::MainWindow(Session& driven) : session(driven) {
    Desktop::RegisterWindowClass(WindowClass, Procedure);
    Desktop::RegisterWindowClass(DebugPaneClass, DebugPaneProcedure);
    entries = session.Menu();

    // Taken before the window's first sizes reach the view.
    const Scene::ViewSize wanted = session.Host().View().size;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    window =
        CreateWindowExW(0, WindowClass, L"KAVELO Workbench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, work.left,
                        work.top, 640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window == nullptr)
        throw std::runtime_error("the main window could not be made (error " +
                                 std::to_string(GetLastError()) + ")");
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_LEFTNOWORDWRAP, 0, 0,
                             0, 0, window, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(status, WM_SETFONT, font, FALSE);
    debugPane =
        CreateWindowExW(WS_EX_TOOLWINDOW, DebugPaneClass, L"Debug log", WS_OVERLAPPEDWINDOW, work.left + 40,
                        work.top + 80, 560, 320, window, nullptr, GetModuleHandleW(nullptr), nullptr);
    debugText =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0,
                        0, 560, 320, debugPane, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(debugText, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
    BuildMenu();
    ShowWindow(window, SW_SHOW);
    FitView(wanted, work); // the frame a shown window has
    ShowPrompt(0);
    Layout();
    UpdateWindow(window);
}

MainWindow::~MainWindow() {
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

UINT MainWindow::CommandOf(WindowKind kind) {
    return CommandFirstWindow + static_cast<UINT>(std::distance(
                                    std::begin(Kinds), std::find(std::begin(Kinds), std::end(Kinds), kind)));
}

void MainWindow::AppendDebug(std::string_view text) {
    std::string lines;
    for (const char c : text) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(debugText));
    SendMessageW(debugText, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(debugText, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Desktop::Widen(lines).c_str()));
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* main = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return main != nullptr ? main->Handle(message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0) { // a menu's
            Command(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_MENUSELECT:
        ShowPrompt(HIWORD(wParam) == 0xFFFF || (HIWORD(wParam) & MF_POPUP) != 0 ? 0 : LOWORD(wParam));
        return 0;
    case WM_SIZE:
        if (status != nullptr)
            Layout();
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // Paint covers the view
    case WM_DESTROY: {
        const HWND gone = window;
        window = nullptr;
        PostQuitMessage(0);
        return DefWindowProcW(gone, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::BuildMenu() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, CommandExit, L"E&xit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");

    // The add-on's commands under the titles their string lists give, in registration order.
    std::vector<std::pair<std::string, HMENU>> titled;
    for (const MenuEntry& entry : entries) {
        if (entry.toolbar)
            continue;
        auto menu =
            std::find_if(titled.begin(), titled.end(), [&](const auto& t) { return t.first == entry.title; });
        if (menu == titled.end())
            menu = titled.insert(titled.end(), {entry.title, CreatePopupMenu()});
        AppendMenuW(menu->second, MF_STRING, static_cast<UINT_PTR>(entry.menuId),
                    Desktop::Widen(entry.text).c_str());
    }
    for (const auto& [title, menu] : titled)
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), Desktop::Widen(title).c_str());

    HMENU windows = CreatePopupMenu();
    for (const WindowKind kind : Kinds)
        AppendMenuW(windows, MF_STRING, CommandOf(kind), KindTitle(kind));
    AppendMenuW(windows, MF_SEPARATOR, 0, nullptr);
    HMENU toolbars = CreatePopupMenu();
    for (const MenuEntry& entry : entries)
        if (entry.toolbar)
            AppendMenuW(toolbars, MF_STRING, static_cast<UINT_PTR>(entry.menuId),
                        Desktop::Widen(entry.text).c_str());
    AppendMenuW(windows, MF_POPUP, reinterpret_cast<UINT_PTR>(toolbars), L"&Toolbars");
    AppendMenuW(windows, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(windows, MF_STRING, CommandDebugLog, L"&Debug log");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(windows), L"&Window");
    SetMenu(window, bar);
    CheckMenuRadioItem(windows, CommandOf(Kinds[0]), CommandOf(Kinds[std::size(Kinds) - 1]),
                       CommandOf(session.Host().FrontWindow()), MF_BYCOMMAND);
}

void MainWindow::Command(UINT id) {
    if (id >= CommandFirstWindow && id < CommandFirstWindow + std::size(Kinds)) {
        session.Host().SwitchWindow(Kinds[id - CommandFirstWindow]);
        CheckMenuRadioItem(GetMenu(window), CommandOf(Kinds[0]), CommandOf(Kinds[std::size(Kinds) - 1]), id,
                           MF_BYCOMMAND);
        Layout();
        ShowPrompt(0);
        handled = true;
    } else if (id == CommandDebugLog) {
        const bool show = !IsWindowVisible(debugPane);
        ShowWindow(debugPane, show ? SW_SHOWNOACTIVATE : SW_HIDE);
        CheckMenuItem(GetMenu(window), CommandDebugLog, MF_BYCOMMAND | (show ? MF_CHECKED : MF_UNCHECKED));
        handled = true;
    } else if (id == CommandExit) {
        DestroyWindow(window);
    } else if (std::any_of(entries.begin(), entries.end(),
                           [id](const MenuEntry& entry) { return UINT(entry.menuId) == id; })) {
        lastPick = session.Pick(static_cast<Int16>(id));
        handled = true;
    }
}

// The view at `size`, with the menu bar (as many rows as it takes) and the status bar,
// within the screen's work area.
void MainWindow::FitView(Scene::ViewSize size, const RECT& work) {
    // The frame's size shows only once the window has one; a second round settles a menu bar that
    // wraps at the new width.
    for (int round = 0; round < 3; ++round) {
        RECT frame{}, client{};
        GetWindowRect(window, &frame);
        GetClientRect(window, &client);
        const int wider = size.width - client.right;
        const int higher = size.height + StatusHeight(window) - client.bottom;
        if (wider == 0 && higher == 0)
            return;
        SetWindowPos(window, nullptr, 0, 0,
                     std::min<int>(frame.right - frame.left + wider, work.right - work.left),
                     std::min<int>(frame.bottom - frame.top + higher, work.bottom - work.top),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The view fills the window above the status bar; its size is what the saved view has.
void MainWindow::Layout() {
    RECT client{};
    GetClientRect(window, &client);
    const int bar = StatusHeight(window);
    MoveWindow(status, 0, client.bottom - bar, client.right, bar, TRUE);
    const Scene::ViewSize size{client.right, std::max<int>(client.bottom - bar, 0)};
    view.reset();
    if (size.width >= 1 && size.height >= 1 && size.width <= Scene::maxViewSide &&
        size.height <= Scene::maxViewSide) {
        session.Host().ResizeView(size);
        if (session.Host().FrontWindow() == WindowKind::Model3D) {
            view = Scene::RenderHouseScene(size.width, size.height);
            const std::size_t stride = (std::size_t(size.width) * 3 + 3) & ~std::size_t(3);
            viewBits.assign(stride * std::size_t(size.height), 0);
            for (int y = 0; y < size.height; ++y)
                for (int x = 0; x < size.width; ++x) {
                    const Scene::Rgb pixel = view->At(x, y);
                    unsigned char* out = &viewBits[std::size_t(y) * stride + std::size_t(x) * 3];
                    out[0] = pixel.b;
                    out[1] = pixel.g;
                    out[2] = pixel.r;
                }
        }
    }
    InvalidateRect(window, nullptr, FALSE);
}

void MainWindow::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area{};
    GetClientRect(window, &area);
    area.bottom -= StatusHeight(window);
    if (view) {
        const BITMAPINFO info = Desktop::TopDownBitmap(view->Width(), view->Height(), 24);
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(view->Width()), static_cast<DWORD>(view->Height()), 0,
                          0, 0, static_cast<UINT>(view->Height()), viewBits.data(), &info, DIB_RGB_COLORS);
    } else {
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        const std::wstring text = std::wstring(KindTitle(session.Host().FrontWindow())) +
                                  L"\n\nThe add-on exports only from the 3D window (Window menu).";
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        RECT box = area;
        DrawTextW(dc, text.c_str(), -1, &box, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
        const int textHeight = box.bottom - box.top;
        box = area;
        box.top = (area.bottom - textHeight) / 2;
        DrawTextW(dc, text.c_str(), -1, &box, DT_CENTER | DT_WORDBREAK);
    }
    EndPaint(window, &paint);
}

// The selected command's prompt; with nothing selected, the window in front.
void MainWindow::ShowPrompt(UINT id) {
    std::wstring text = std::wstring(L" ") + KindTitle(session.Host().FrontWindow()) + L" in front";
    for (const MenuEntry& entry : entries)
        if (UINT(entry.menuId) == id && id != 0)
            text = L" " + Desktop::Widen(entry.prompt);
    SetWindowTextW(status, text.c_str());
}

} // namespace Workbench
