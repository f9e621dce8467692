// The desktop face's windows under a real window system (wine on Xvfb): the add-on's dialogs and its
// palette, built from the module's own resources, shown as windows, driven by the messages a user's
// keys and clicks make, and photographed.

#include "DialogFaces.hpp"
#include "JpegInfo.hpp"
#include "Scene/SceneView.hpp"
#include "Session.hpp"
#include "Windows/MainWindow.hpp"
#include "Windows/PanelItems.hpp"
#include "Windows/Screenshot.hpp"
#include "Windows/WindowsDriver.hpp"

#include "DG/DG.hpp"
#include "DGHost.hpp"
#include "KaveloResourceIds.h"
#include "RSHost.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using DG::Host::DialogView;
using DG::Host::ItemKind;
using DG::Host::ItemView;

// The module's resources, registered for the tests as the module registers them at its attach; none
// of its entry points is called.
class ModuleResources {
public:
    ModuleResources() {
        const char* bin = std::getenv("KAVELO_BIN_DIR");
        const std::filesystem::path module = std::filesystem::path(bin != nullptr ? bin : ".") / "KAVELO.apx";
        instance = LoadLibraryExW(module.wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (instance != nullptr)
            id = RSInitModuleImageCache(instance);
    }
    ~ModuleResources() {
        if (id != InvalidResModule)
            RSRemoveModuleImageCache(id);
        if (instance != nullptr)
            FreeLibrary(instance);
    }

    GSResModule id = InvalidResModule;

private:
    HMODULE instance = nullptr;
};

// Where the pictures go: a folder named by KAVELO_DESKTOP_PICTURES, else none.
std::filesystem::path PictureFolder() {
    const char* folder = std::getenv("KAVELO_DESKTOP_PICTURES");
    return folder != nullptr ? std::filesystem::path(folder) : std::filesystem::path();
}

void Keep(const Desktop::Picture& picture, const std::string& name) {
    if (const std::filesystem::path folder = PictureFolder(); !folder.empty()) {
        std::filesystem::create_directories(folder);
        Desktop::WritePng(picture, (folder / (name + ".png")).wstring());
    }
}

// A modal dialog that closes as the add-on's do: item 1 accepts, item 2 cancels.
class ClosingDialog : public DG::ModalDialog, public DG::ButtonItemObserver, public DG::CompoundItemObserver {
public:
    ClosingDialog(GSResModule module, short resId) : DG::ModalDialog(module, resId, module) {
        AttachToAllItems(*this);
    }
    ~ClosingDialog() override { DetachFromAllItems(*this); }

    void ButtonClicked(const DG::ButtonClickEvent& ev) override {
        clicked.push_back(ev.GetSource()->GetId());
        if (ev.GetSource()->GetId() == 1)
            PostCloseRequest(Accept);
        else if (ev.GetSource()->GetId() == 2)
            PostCloseRequest(Cancel);
    }

    std::vector<short> clicked;
};

// Runs `dialog` with the windows driver; `act` is told when its window is shown.
bool RunDialog(ClosingDialog& dialog, const Desktop::WindowsDriver::DialogShown& act) {
    Desktop::WindowsDriver driver(nullptr, act);
    const DG::Host::DriverScope scope(&driver, &driver);
    return dialog.Invoke();
}

HWND Item(HWND panel, short id) {
    return Desktop::PanelItems::ItemWindow(panel, id);
}

// Runs the thread's messages until `done`, for at most five seconds.
bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG message;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
    return true;
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

// The resource's client size in the window's DPI, with the frame the system gives the window's style.
SIZE FramedSize(HWND window, const DG::Host::Rect& rect) {
    const UINT dpi = GetDpiForWindow(window);
    RECT frame{0, 0, MulDiv(rect.width, static_cast<int>(dpi), 96),
               MulDiv(rect.height, static_cast<int>(dpi), 96)};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// How the item's text sits in its font: wrapped at the item's width for a text, on one line for a
// button.
struct TextFit {
    LONG width = 0;   // of the widest line
    LONG lines = 0;   // the text needs
    LONG legible = 0; // lines whose letters, descenders aside, lie inside the item
};

TextFit FitText(HWND item, const ItemView& view) {
    HDC dc = GetDC(item);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT room{0, 0, view.rect.width, 0};
    const std::wstring text = WindowText(item);
    DrawTextW(dc, text.c_str(), -1, &room,
              DT_CALCRECT | (view.kind == ItemKind::LeftText ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, previous);
    ReleaseDC(item, dc);
    const LONG line = metrics.tmHeight;
    return {room.right, room.bottom / line, (view.rect.height - metrics.tmAscent) / line + 1};
}

// How many colours the picture has inside `area` (window coordinates of the pictured window).
std::size_t ColoursIn(const Desktop::Picture& picture, const RECT& area) {
    std::vector<std::uint32_t> colours;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            colours.push_back(picture.pixels[std::size_t(y) * picture.width + std::size_t(x)]);
    std::sort(colours.begin(), colours.end());
    return std::size_t(std::unique(colours.begin(), colours.end()) - colours.begin());
}

RECT AreaInWindow(HWND child, HWND window) {
    RECT area{};
    RECT frame{};
    GetWindowRect(child, &area);
    GetWindowRect(window, &frame);
    OffsetRect(&area, -frame.left, -frame.top);
    return area;
}

class DesktopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void SetUp() override {
        ASSERT_NE(module.id, InvalidResModule) << "KAVELO.apx has no readable resources";
    }

    ModuleResources module;
};

constexpr short ProductDialogs[] = {KAVELO_DLG_LINK, KAVELO_DLG_EXPORTED, KAVELO_DLG_EXPORTED_REALTIME,
                                    KAVELO_DLG_EXPORT_LOGIN, KAVELO_DLG_UNLINKED};

TEST_F(DesktopTest, EveryDialogIsPicturedAtItsResourceSizeWithTextsThatFit) {
    for (const short resId : ProductDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(resId));
        const DialogView view = DG::Host::LoadDialog(module.id, resId, module.id);
        ClosingDialog dialog(module.id, resId);
        const bool accepted = RunDialog(dialog, [&](HWND window, const DialogView&) {
            EXPECT_EQ(WindowText(window).size(), view.title.size());
            const SIZE client = ClientSize(window);
            EXPECT_EQ(client.cx, view.rect.width);
            EXPECT_EQ(client.cy, view.rect.height);
            const Desktop::Picture picture = Desktop::CaptureWindow(window);
            const SIZE framed = FramedSize(window, view.rect);
            EXPECT_EQ(picture.width, unsigned(framed.cx));
            EXPECT_EQ(picture.height, unsigned(framed.cy));
            // More than a fill: a frame, a caption, texts, buttons.
            EXPECT_GT(picture.Colours(20), 10u);
            for (const ItemView& item : view.items) {
                HWND child = Item(window, item.id);
                ASSERT_NE(child, nullptr) << "item " << item.id;
                if (item.kind == ItemKind::Separator)
                    continue;
                const TextFit fit = FitText(child, item);
                EXPECT_LE(fit.width, item.rect.width) << "item " << item.id << " is too narrow for its text";
                EXPECT_LE(fit.lines, fit.legible) << "item " << item.id << " is too low for its text";
            }
            Keep(picture, "dialog-" + std::to_string(resId));
            PostMessageW(Item(window, 1), BM_CLICK, 0, 0);
        });
        EXPECT_TRUE(accepted);
        EXPECT_EQ(dialog.clicked, std::vector<short>{1});
    }
}

struct UserStep {
    const char* name;
    std::function<void(HWND dialog)> act;
    bool accepted;
    std::vector<short> clicked;
};

TEST_F(DesktopTest, KeysAndClicksAnswerAsTheDialogLibraryDoes) {
    const UserStep steps[] = {
        {"click on item 1", [](HWND window) { PostMessageW(Item(window, 1), BM_CLICK, 0, 0); }, true, {1}},
        {"click on item 2", [](HWND window) { PostMessageW(Item(window, 2), BM_CLICK, 0, 0); }, false, {2}},
        {"Enter", [](HWND window) { PostMessageW(Item(window, 2), WM_KEYDOWN, VK_RETURN, 0); }, true, {1}},
        {"Esc", [](HWND window) { PostMessageW(Item(window, 1), WM_KEYDOWN, VK_ESCAPE, 0); }, false, {}},
        {"close control", [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }, false, {}},
    };
    for (const UserStep& step : steps) {
        SCOPED_TRACE(step.name);
        ClosingDialog dialog(module.id, KAVELO_DLG_LINK);
        EXPECT_EQ(RunDialog(dialog, [&](HWND window, const DialogView&) { step.act(window); }),
                  step.accepted);
        EXPECT_EQ(dialog.clicked, step.clicked);
    }
}

TEST_F(DesktopTest, ADialogDisablesItsOwnerAndSitsAtItsPositionInTheOwner) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 600, 400,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    const DialogView view = DG::Host::LoadDialog(module.id, KAVELO_DLG_UNLINKED, module.id);
    ClosingDialog dialog(module.id, KAVELO_DLG_UNLINKED);
    Desktop::WindowsDriver driver(owner, [&](HWND window, const DialogView&) {
        EXPECT_FALSE(IsWindowEnabled(owner));
        EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
        POINT ownerOrigin{0, 0};
        ClientToScreen(owner, &ownerOrigin);
        RECT frame{};
        GetWindowRect(window, &frame);
        EXPECT_EQ(frame.left - ownerOrigin.x, view.rect.x);
        EXPECT_EQ(frame.top - ownerOrigin.y, view.rect.y);
        PostMessageW(Item(window, 1), BM_CLICK, 0, 0);
    });
    {
        const DG::Host::DriverScope scope(&driver, &driver);
        EXPECT_TRUE(dialog.Invoke());
    }
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

// Observes itself as the add-on's palette does: a close request hides it and ends its events.
class ObservedPalette : public DG::Palette,
                        public DG::PanelObserver,
                        public DG::ButtonItemObserver,
                        public DG::CompoundItemObserver {
public:
    ObservedPalette(GSResModule module, const GS::Guid& guid)
        : DG::Palette(module, KAVELO_PALETTE, module, guid) {
        Attach(static_cast<DG::PanelObserver&>(*this));
        AttachToAllItems(*this);
    }
    ~ObservedPalette() override {
        Detach(static_cast<DG::PanelObserver&>(*this));
        DetachFromAllItems(*this);
    }
    void PanelCloseRequested(const DG::PanelCloseRequestEvent&, bool*) override {
        ++closeRequests;
        Hide();
        EndEventProcessing();
    }
    void ButtonClicked(const DG::ButtonClickEvent& ev) override {
        clicked.push_back(ev.GetSource()->GetId());
    }

    int closeRequests = 0;
    std::vector<short> clicked;
};

TEST_F(DesktopTest, ThePaletteIsAToolWindowWithItsIconsThatTheLibraryDrives) {
    const GS::Guid guid("{0D9C8B7A-6F5E-4D3C-2B1A-098765432100}");
    const DialogView view = DG::Host::LoadDialog(module.id, KAVELO_PALETTE, module.id);
    Desktop::WindowsDriver driver(nullptr);
    const DG::Host::DriverScope scope(&driver, &driver);
    HWND window = nullptr;
    {
        ObservedPalette palette(module.id, guid);
        window = driver.Palettes().Find(guid);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);

        palette.BeginEventProcessing();
        palette.Show(-32768);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(ClientSize(window).cx, view.rect.width);
        EXPECT_EQ(ClientSize(window).cy, view.rect.height);
        const Desktop::Picture picture = Desktop::CaptureWindow(window);
        const SIZE framed = FramedSize(window, view.rect);
        EXPECT_EQ(picture.width, unsigned(framed.cx));
        EXPECT_EQ(picture.height, unsigned(framed.cy));
        // A button's face and edges have five colours; an icon's smooth edges bring many more.
        for (const short item : {short(KAVELO_PALETTE_ITEM_EXPORT), short(KAVELO_PALETTE_ITEM_LIVE)})
            EXPECT_GT(ColoursIn(picture, AreaInWindow(Item(window, item), window)), 10u) << "item " << item;
        Keep(picture, "palette");

        palette.DisableItems();
        EXPECT_FALSE(IsWindowEnabled(Item(window, KAVELO_PALETTE_ITEM_EXPORT)));
        EXPECT_FALSE(IsWindowEnabled(Item(window, KAVELO_PALETTE_ITEM_LIVE)));
        palette.EnableItems();
        EXPECT_TRUE(IsWindowEnabled(Item(window, KAVELO_PALETTE_ITEM_EXPORT)));

        PostMessageW(Item(window, KAVELO_PALETTE_ITEM_LIVE), BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !palette.clicked.empty(); }));
        EXPECT_EQ(palette.clicked, std::vector<short>{KAVELO_PALETTE_ITEM_LIVE});

        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(PumpUntil([&] { return palette.closeRequests > 0; }));
        EXPECT_EQ(palette.closeRequests, 1);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(IsWindow(window)); // until the palette is deleted
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(driver.Palettes().Find(guid), nullptr);
}

TEST(DesktopMainWindow, OpensAtTheViewSizeAndResizingChangesWhatTheSaveWrites) {
    std::ostringstream lines, out, err;
    Workbench::Transcript transcript(lines, err);
    Workbench::Console console(out, err, false);
    const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "desktop-main-window";
    Workbench::Session session(transcript, console, {folder, {{320, 200}, std::nullopt}});
    Workbench::MainWindow main(session);
    EXPECT_EQ(session.Host().View().size, (Workbench::Scene::ViewSize{320, 200}));

    RECT frame{};
    GetWindowRect(main.Handle(), &frame);
    SetWindowPos(main.Handle(), nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top + 50,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(session.Host().View().size, (Workbench::Scene::ViewSize{420, 250}));
    std::filesystem::create_directories(folder);
    const std::filesystem::path saved = folder / "view.jpeg";
    ASSERT_TRUE(Workbench::Scene::SaveView(session.Host().View(), saved).Ok());
    const WorkbenchTest::JpegInfo jpeg = WorkbenchTest::ReadJpegInfo(saved);
    ASSERT_TRUE(jpeg.valid) << jpeg.problem;
    EXPECT_EQ(jpeg.width, 420);
    EXPECT_EQ(jpeg.height, 250);
}

} // namespace
