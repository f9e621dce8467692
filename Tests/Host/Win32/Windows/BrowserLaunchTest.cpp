// The add-on's browser launch through Windows' own calls: its URL converted by MultiByteToWideChar
// and opened with ShellExecuteW, which wine hands to winebrowser, which starts the program its
// registry setting names, here a recorder. What the recorder receives is what a browser would.

#include "BrowserLaunches.hpp"
#include "Preferences.hpp"
#include "ServiceUrls.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

int refreshes = 0;

// Watches the launches the recorder of the test prefix receives, each its browser's one argument.
class BrowserLaunch : public testing::Test {
protected:
    void SetUp() override {
        if (!Testing::HostSeesBrowserLaunches)
            GTEST_SKIP() << "no recorder stands in for the browser outside the tests' wine prefix";
        Testing::WatchBrowserLaunches([this](std::string_view url) { launched.emplace_back(url); });
        refreshes = 0;
    }

    void TearDown() override { Testing::StopWatchingBrowserLaunches(); }

    std::vector<std::string> Launched() {
        Testing::AwaitBrowserLaunches();
        return std::exchange(launched, {});
    }

    std::vector<std::string> launched;
};

// Image ids come from the network: quotes, blanks, URL syntax and non-ASCII must reach the browser
// as the one percent-encoded argument the add-on made of them.
TEST_F(BrowserLaunch, TheLiveViewOfAnyImageIdArrivesAsOneArgumentExactlyAsEncoded) {
    const std::vector<std::string> ids = {"4f2a9c",
                                          "two words",
                                          "say \"hi\" 'there'",
                                          "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
                                          "a&b=c#d?e/f%20g+h",
                                          "$(touch x);`id`|\\"};
    for (const std::string& id : ids) {
        OpenLiveView(id);
        EXPECT_EQ(Launched(), std::vector<std::string>{LiveViewUrl(id)}) << id;
    }
    EXPECT_EQ(refreshes, static_cast<int>(ids.size()));
}

TEST_F(BrowserLaunch, TheLoginPageArrivesWithTheLinkId) {
    const char* linkId = "0f8fad5b-d9cb-469f-a165-70867728950e";
    OpenLoginPage(linkId);
    EXPECT_EQ(Launched(), std::vector<std::string>{LoginUrl(linkId)});
    EXPECT_EQ(refreshes, 1);
}

// Characters of every UTF-8 length, through the conversion to UTF-16 and back out as UTF-8.
TEST_F(BrowserLaunch, NonAsciiInTheUrlArrivesAsTheSameUtf8) {
    const std::string url = std::string(ServiceBaseUrl) + "/Caf\xC3\xA9/\xE2\x82\xAC/\xF0\x9F\x98\x80";
    OpenUrlInBrowser(url.c_str());
    EXPECT_EQ(Launched(), std::vector<std::string>{url});
}

} // namespace

// The launch renews the stamp of the last browser visit; here it is only counted.
void RefreshBrowserOpenedAt() {
    ++refreshes;
}
