#include "AccountLink.hpp"
#include "AddOnFixture.hpp"
#include "KaveloResourceIds.h"
#include "Preferences.hpp"
#include "ServiceUrls.hpp"

#include <cstring>
#include <string>
#include <vector>

namespace {

class AccountLink : public FixedClockFixture {
protected:
    PreferencesRecord Stored() const {
        PreferencesRecord record{};
        if (const auto stored = host.Preferences())
            std::memcpy(&record, stored->bytes.data(), sizeof(record));
        return record;
    }

    const std::string base = ServiceBaseUrl;
};

TEST_F(AccountLink, LoginPageIsTheOriginAnd47CharactersAndRefreshesTheStamp) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    const char* id = "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9";
    OpenLoginPage(id);
    ASSERT_EQ(host.LaunchedUrls().size(), 1u);
    EXPECT_EQ(host.LaunchedUrls()[0], base + "/login?eid=" + id);
    EXPECT_EQ(host.LaunchedUrls()[0].size(), base.size() + 47);
    EXPECT_EQ(Stored().BrowserOpenedAt, Now);
}

TEST_F(AccountLink, LiveViewUrlAddsTheImageOnlyWhenThereIsOne) {
    EXPECT_EQ(LiveViewUrl(""), base + "/?uploadRealtime=true");
    EXPECT_EQ(LiveViewUrl("abc"), base + "/?uploadRealtime=true&imageId=abc");
    EXPECT_EQ(LiveViewUrl("Az09-._~"), base + "/?uploadRealtime=true&imageId=Az09-._~");
}

TEST_F(AccountLink, HostileImageIdsArePercentEncoded) {
    EXPECT_EQ(LiveViewUrl("a\"b c"), base + "/?uploadRealtime=true&imageId=a%22b%20c");
    EXPECT_EQ(LiveViewUrl("x&y=1;rm -rf /"),
              base + "/?uploadRealtime=true&imageId=x%26y%3D1%3Brm%20-rf%20%2F");
    EXPECT_EQ(LiveViewUrl(std::string("\x01\n\x7F\xC3\xA9", 5)),
              base + "/?uploadRealtime=true&imageId=%01%0A%7F%C3%A9");
}

TEST_F(AccountLink, OpenLiveConnectionWhileNotLinkedLeavesAStampWithoutId) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    EXPECT_EQ(host.PickMenu(KAVELO_MENU_OPEN_LIVE), NoError);
    EXPECT_EQ(host.LaunchedUrls(), std::vector<std::string>{base + "/?uploadRealtime=true"});
    EXPECT_STREQ(Stored().LinkId, "");
    EXPECT_EQ(Stored().BrowserOpenedAt, Now);
    EXPECT_FALSE(IsLinked());
}

TEST_F(AccountLink, OkInTheLinkDialogStoresANewIdAndOpensItsLoginPage) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    host.AnswerDialog(1);
    PromptAccountLink();
    const PreferencesRecord stored = Stored();
    ASSERT_EQ(std::strlen(stored.LinkId), 36u);
    const std::string id = stored.LinkId;
    EXPECT_EQ(host.LaunchedUrls(), std::vector<std::string>{base + "/login?eid=" + id});
    EXPECT_EQ(stored.BrowserOpenedAt, Now);
    EXPECT_EQ(host.debugLines,
              (std::vector<std::string>{"ACAPI_SetPreferences\n", "Dialog true and id: " + id + "\n"}));
    EXPECT_EQ(host.calls.front(), "Dialog 32520 Link to KAVELO");
}

TEST_F(AccountLink, CancelOrCloseInTheLinkDialogLeavesNoTrace) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    std::vector<UInt8> before(48, 0);
    before[40] = 7;
    host.StorePreferences(1, before);

    host.AnswerDialog(2);
    PromptAccountLink();
    host.AnswerDialogWithClose();
    PromptAccountLink();

    EXPECT_TRUE(host.LaunchedUrls().empty());
    EXPECT_TRUE(host.debugLines.empty());
    EXPECT_EQ(host.Preferences()->bytes, before);
    const std::vector<std::string> expected = {"Dialog 32520 Link to KAVELO", "Click 2", "Closed 32520 2",
                                               "Dialog 32520 Link to KAVELO", "Close",   "Closed 32520 2"};
    EXPECT_EQ(host.calls, expected);
}

TEST_F(AccountLink, OkTwiceStoresTwoDifferentIdsAndKeepsTheSecond) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    host.AnswerDialog(1);
    PromptAccountLink();
    const std::string first = Stored().LinkId;
    host.AnswerDialog(1);
    PromptAccountLink();
    const std::string second = Stored().LinkId;
    EXPECT_NE(first, second);
    EXPECT_EQ(host.LaunchedUrls().back(), base + "/login?eid=" + second);
}

TEST_F(AccountLink, UnlinkShowsTheConfirmationEvenWhenNotLinked) {
    host.AnswerDialog(1);
    EXPECT_EQ(host.PickMenu(KAVELO_MENU_UNLINK), NoError);
    const std::vector<std::string> expected = {"SetPreferences 0 0", "Dialog 32534 Account unlinked",
                                               "Click 1", "Closed 32534 1"};
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(host.debugLines, std::vector<std::string>{"Preferences deleted successfully.\n"});
}

TEST_F(AccountLink, UnlinkAfterAFailedDeleteReportsThenConfirms) {
    host.StorePreferences(1, std::vector<UInt8>(48, 0));
    host.FailSlot(HostSlot_SetPreferences, APIERR_GENERAL);
    host.AnswerDialog(1);
    host.PickMenu(KAVELO_MENU_UNLINK);
    const std::vector<std::string> expected = {
        "SetPreferences 0 0", "Alert %s: %s", "Beep", "Dialog 32534 Account unlinked", "Click 1",
        "Closed 32534 1"};
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error: APIERR_GENERAL"});
    EXPECT_TRUE(host.Preferences().has_value());
}

TEST_F(AccountLink, NonAsciiUrlsReachTheLauncherUnchanged) {
    SKIP_UNLESS_THE_HOST_SEES_LAUNCHES();
    const std::string url = "https://example.test/\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80?q=\xC3\xBC";
    OpenUrlInBrowser(url.c_str());
    EXPECT_EQ(host.LaunchedUrls(), std::vector<std::string>{url});
}

} // namespace
