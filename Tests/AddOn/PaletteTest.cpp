#include "Palette.hpp"
#include "AccountLink.hpp"
#include "AddOnFixture.hpp"
#include "DGHost.hpp"
#include "Dialogs.hpp"
#include "GarbageCollectorHost.hpp"
#include "KaveloResourceIds.h"
#include "ServiceUrls.hpp"

#include <string>
#include <vector>

namespace {

constexpr Int32 RefId = Int32(0x8D0ACB8B);

class PaletteCommands : public AddOnFixture {
protected:
    void TearDown() override {
        DG::Host::SetTraceObserver(nullptr);
        PaletteManager::GetInstance().Close();
        GS::Host::RunGarbageCollector();
        AddOnFixture::TearDown();
    }

    GSErrCode Message(Int32 message, Int32 refId = RefId) { return HandlePaletteMessage(refId, message, 0); }

    int IsVisible(Int32 refId = RefId) {
        bool visible = true;
        HandlePaletteMessage(refId, APIPalMsg_IsPaletteVisible, reinterpret_cast<GS::IntPtr>(&visible));
        return visible ? 1 : 0;
    }

    static std::size_t LivePalettes() { return DG::Host::ListPalettes().size(); }

    void Trace() {
        DG::Host::SetTraceObserver([this](std::string_view line) { trace.emplace_back(line); });
    }

    std::vector<std::string> trace;
};

TEST_F(PaletteCommands, MessagesForAnotherReferenceIdAreIgnored) {
    for (Int32 message = 1; message <= 8; ++message)
        EXPECT_EQ(Message(message, RefId + 1), NoError);
    EXPECT_FALSE(PaletteManager::GetInstance().IsOpen());
    bool visible = true;
    HandlePaletteMessage(RefId - 1, APIPalMsg_IsPaletteVisible, reinterpret_cast<GS::IntPtr>(&visible));
    EXPECT_TRUE(visible); // untouched
}

TEST_F(PaletteCommands, MessagesWithoutAPaletteDoNothing) {
    for (const Int32 message :
         std::initializer_list<Int32>{APIPalMsg_HidePalette_Begin, APIPalMsg_HidePalette_End,
                                      APIPalMsg_DisableItems_Begin, APIPalMsg_DisableItems_End, 99})
        EXPECT_EQ(Message(message), NoError);
    EXPECT_EQ(IsVisible(), 0);
    EXPECT_EQ(LivePalettes(), 0u);
}

TEST_F(PaletteCommands, VisibilityFollowsHideAndShow) {
    Message(APIPalMsg_OpenPalette);
    EXPECT_EQ(IsVisible(), 1);
    Message(APIPalMsg_HidePalette_Begin);
    EXPECT_EQ(IsVisible(), 0);
    EXPECT_TRUE(PaletteManager::GetInstance().IsOpen());
    Message(APIPalMsg_HidePalette_End);
    EXPECT_EQ(IsVisible(), 1);
}

TEST_F(PaletteCommands, OpeningTwiceMakesOnePalette) {
    Message(APIPalMsg_OpenPalette);
    Palette* first = PaletteManager::GetInstance().GetPalette();
    Message(APIPalMsg_HidePalette_Begin);
    Message(APIPalMsg_OpenPalette);
    EXPECT_EQ(PaletteManager::GetInstance().GetPalette(), first);
    EXPECT_EQ(LivePalettes(), 1u);
    EXPECT_EQ(IsVisible(), 1);
}

TEST_F(PaletteCommands, CloseOrToggleOnAHiddenPaletteDeletesIt) {
    for (const bool byToggle : {false, true}) {
        host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
        Message(APIPalMsg_HidePalette_Begin);
        if (byToggle)
            host.PickMenu(KAVELO_TOOLBAR_ENTRY);
        else
            Message(APIPalMsg_ClosePalette);
        EXPECT_FALSE(PaletteManager::GetInstance().IsOpen()) << byToggle;
        EXPECT_EQ(LivePalettes(), 0u);
        host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
        EXPECT_EQ(IsVisible(), 1);
        Message(APIPalMsg_ClosePalette);
    }
}

TEST_F(PaletteCommands, OpenToolbarLeavesAnOpenPaletteAloneAndTheToggleClosesIt) {
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    Message(APIPalMsg_HidePalette_Begin);
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    EXPECT_EQ(IsVisible(), 0);
    host.PickMenu(KAVELO_TOOLBAR_ENTRY);
    EXPECT_FALSE(PaletteManager::GetInstance().IsOpen());
    host.PickMenu(KAVELO_TOOLBAR_ENTRY);
    EXPECT_EQ(IsVisible(), 1);
}

TEST_F(PaletteCommands, AUserCloseWaitsForTheCollector) {
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    EXPECT_TRUE(DG::Host::RequestPaletteClose(PaletteGuid));
    EXPECT_TRUE(PaletteManager::GetInstance().IsOpen());
    EXPECT_EQ(IsVisible(), 0);
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR); // still open: nothing happens
    EXPECT_EQ(IsVisible(), 0);

    EXPECT_EQ(GS::Host::RunGarbageCollector(), 1u);
    EXPECT_FALSE(PaletteManager::GetInstance().IsOpen());
    EXPECT_EQ(LivePalettes(), 0u);
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    EXPECT_EQ(IsVisible(), 1);
}

TEST_F(PaletteCommands, TheToggleAfterAUserCloseDeletesThePaletteOnce) {
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    DG::Host::RequestPaletteClose(PaletteGuid);
    host.PickMenu(KAVELO_TOOLBAR_ENTRY);
    EXPECT_FALSE(PaletteManager::GetInstance().IsOpen());
    EXPECT_EQ(GS::Host::PendingDisposables(), 0u);
    EXPECT_EQ(GS::Host::RunGarbageCollector(), 0u);
}

TEST_F(PaletteCommands, TheFirstButtonRunsExactlyOneExport) {
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    host.AnswerDialog(2); // not linked: the link dialog, cancelled
    EXPECT_TRUE(DG::Host::ClickPaletteItem(PaletteGuid, KAVELO_PALETTE_ITEM_EXPORT));
    std::size_t linkDialogs = 0;
    for (const std::string& call : host.calls)
        linkDialogs += call == "Dialog 32520 Link to KAVELO" ? 1 : 0;
    EXPECT_EQ(linkDialogs, 1u);
}

TEST_F(PaletteCommands, TheSecondButtonOpensTheLiveViewWithoutAnImage) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    EXPECT_TRUE(DG::Host::ClickPaletteItem(PaletteGuid, KAVELO_PALETTE_ITEM_LIVE));
    EXPECT_EQ(host.LaunchedUrls(), std::vector<std::string>{LiveViewUrl("")});
}

TEST_F(PaletteCommands, DisabledItemsTakeNoClicks) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    host.PickMenu(KAVELO_MENU_OPEN_TOOLBAR);
    Message(APIPalMsg_DisableItems_Begin);
    EXPECT_FALSE(DG::Host::ClickPaletteItem(PaletteGuid, KAVELO_PALETTE_ITEM_LIVE));
    Message(APIPalMsg_DisableItems_End);
    EXPECT_TRUE(DG::Host::ClickPaletteItem(PaletteGuid, KAVELO_PALETTE_ITEM_LIVE));
    EXPECT_EQ(host.LaunchedUrls().size(), 1u);
}

TEST_F(PaletteCommands, ThePaletteIsBuiltAndTakenDownInOrder) {
    Trace();
    PaletteManager::GetInstance().Open();
    PaletteManager::GetInstance().Close();
    const std::vector<std::string> expected = {
        "Panel 32590 created",
        "Button 1 created",
        "Button 2 created",
        "PanelObserver attached to 32590",
        "CompoundItemObserver attached to all items of 32590",
        "Palette 32590 began event processing",
        "Palette 32590 shown with -32768",
        "Palette 32590 hidden",
        "Palette 32590 ended event processing",
        "PanelObserver detached from 32590",
        "CompoundItemObserver detached from all items of 32590",
        "Button 2 destroyed",
        "Button 1 destroyed",
        "Panel 32590 destroyed",
    };
    EXPECT_EQ(trace, expected);
}

TEST_F(PaletteCommands, DialogsAreBuiltAndTakenDownInOrder) {
    Trace();
    { DialogRealtime dialog{GS::UniString("abc")}; }
    const std::vector<std::string> expected = {
        "Panel 32532 created",
        "Button 1 created",
        "Button 2 created",
        "CompoundItemObserver attached to all items of 32532",
        "PanelObserver attached to 32532",
        "PanelObserver detached from 32532",
        "CompoundItemObserver detached from all items of 32532",
        "Button 2 destroyed",
        "Button 1 destroyed",
        "Panel 32532 destroyed",
    };
    EXPECT_EQ(trace, expected);
}

} // namespace
