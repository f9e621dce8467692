#include "Dialogs.hpp"
#include "AccountLink.hpp"
#include "AddOnFixture.hpp"
#include "KaveloResourceIds.h"
#include "ServiceUrls.hpp"

#include <cstring>
#include <string>
#include <vector>

namespace {

class Dialogs : public FixedClockFixture {
protected:
    void StoreStamp(Int64 stamp) {
        std::vector<UInt8> bytes(48, 0);
        std::memcpy(bytes.data() + 40, &stamp, 8);
        host.StorePreferences(1, bytes);
    }

    Int64 StoredStamp() const {
        Int64 stamp = 0;
        std::memcpy(&stamp, host.Preferences()->bytes.data() + 40, 8);
        return stamp;
    }

    const std::string liveView = std::string(ServiceBaseUrl) + "/?uploadRealtime=true";
};

TEST_F(Dialogs, InvokeIsTrueOnlyForTheFirstButton) {
    for (const auto& [answer, expected] : {std::pair{short(1), true}, std::pair{short(2), false}}) {
        Dialog dialog(KAVELO_DLG_LINK);
        host.AnswerDialog(answer);
        EXPECT_EQ(dialog.Invoke(), expected) << answer;
    }
    Dialog closed(KAVELO_DLG_LINK);
    host.AnswerDialogWithClose();
    EXPECT_FALSE(closed.Invoke());
}

TEST_F(Dialogs, ClicksOnTextsAndSeparatorsDoNothing) {
    Dialog dialog(KAVELO_DLG_LINK);
    host.AnswerDialog(4); // the text
    host.AnswerDialog(3); // the separator
    host.AnswerDialog(1);
    EXPECT_TRUE(dialog.Invoke());
    EXPECT_EQ(host.calls.back(), "Closed 32520 1");
}

TEST_F(Dialogs, SuccessWithinTheHourShowsThePlainDialog) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    StoreStamp(Now - 3600);
    host.AnswerDialog(1);
    ShowExportSucceeded("abc");
    EXPECT_EQ(host.calls[2], "Dialog 32531 Export to KAVELO succeeded");
    EXPECT_TRUE(host.LaunchedUrls().empty());
}

TEST_F(Dialogs, SuccessAfterTheHourOrNeverOffersTheLiveView) {
    for (const Int64 stamp : {Now - 3601, Int64(0)}) {
        StoreStamp(stamp);
        host.calls.clear();
        host.AnswerDialog(2);
        ShowExportSucceeded("abc");
        EXPECT_EQ(host.calls[2], "Dialog 32532 Export to KAVELO succeeded") << stamp;
    }
}

TEST_F(Dialogs, OpenLiveOpensThisImageAndRefreshesTheStamp) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    StoreStamp(0);
    host.AnswerDialog(1);
    ShowOpenLiveDialog("img_42");
    EXPECT_EQ(host.LaunchedUrls(), std::vector<std::string>{liveView + "&imageId=img_42"});
    EXPECT_EQ(StoredStamp(), Now);
    EXPECT_EQ(host.calls.back(), "Closed 32532 1");
}

TEST_F(Dialogs, OpenLiveWithoutImageIdOpensThePlainLiveView) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    host.AnswerDialog(1);
    ShowOpenLiveDialog(GS::UniString());
    EXPECT_EQ(host.LaunchedUrls(), std::vector<std::string>{liveView});
}

TEST_F(Dialogs, CloseInTheLiveOfferChangesNothing) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    StoreStamp(5);
    host.AnswerDialog(5); // the long text
    host.AnswerDialog(2);
    ShowOpenLiveDialog("abc");
    EXPECT_TRUE(host.LaunchedUrls().empty());
    EXPECT_EQ(StoredStamp(), 5);
    EXPECT_EQ(host.calls.back(), "Closed 32532 2");
}

TEST_F(Dialogs, EveryDialogResourceShowsItsTitle) {
    const std::pair<short, const char*> dialogs[] = {
        {KAVELO_DLG_LINK, "Link to KAVELO"},
        {KAVELO_DLG_EXPORTED, "Export to KAVELO succeeded"},
        {KAVELO_DLG_EXPORTED_REALTIME, "Export to KAVELO succeeded"},
        {KAVELO_DLG_EXPORT_LOGIN, "Export to KAVELO failed"},
        {KAVELO_DLG_UNLINKED, "Account unlinked"}};
    for (const auto& [resId, title] : dialogs) {
        host.calls.clear();
        Dialog dialog(resId);
        host.AnswerDialog(1);
        EXPECT_TRUE(dialog.Invoke());
        EXPECT_EQ(host.calls.front(), "Dialog " + std::to_string(resId) + " " + title);
    }
}

} // namespace
