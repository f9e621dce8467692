// The add-on's browser launch through Windows' own calls: its URL converted by MultiByteToWideChar
// and opened with ShellExecuteW, which wine hands to winebrowser, which starts the program its
// registry setting names, here a recorder. What the recorder receives is what a browser would.

#include "Preferences.hpp"
#include "ServiceUrls.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const wchar_t* BrowserKey = L"Software\\Wine\\WineBrowser";
constexpr const wchar_t* BrowserValue = L"Browsers";

int refreshes = 0;

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::optional<std::wstring> ReadBrowsers() {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, BrowserKey, BrowserValue, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

void WriteBrowsers(const std::wstring& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, BrowserKey, BrowserValue, REG_SZ, value.c_str(), bytes),
              ERROR_SUCCESS);
}

// Points winebrowser at the recorder for the test and back at what it was after.
class BrowserLaunch : public testing::Test {
protected:
    void SetUp() override {
        if (!UnderWine())
            GTEST_SKIP() << "the launch is recorded through wine's winebrowser; Windows would open a browser";
        previous = ReadBrowsers();
        const std::string recorder = KAVELO_BROWSER_RECORDER;
        WriteBrowsers(std::wstring(recorder.begin(), recorder.end()));
        DeleteFileW(RecordFile);
        refreshes = 0;
    }

    void TearDown() override {
        if (previous)
            WriteBrowsers(*previous);
        DeleteFileW(RecordFile);
    }

    // Waits, for a bounded time, until the recorder has seen a launch with `url` as its one argument
    // (it runs after ShellExecuteW has returned); answers what it recorded, for the failure message.
    static std::string AwaitLaunch(const std::string& url) {
        const std::string expected = "1 " + url;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::string recorded;
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream file(RecordFile, std::ios::binary);
            recorded.clear();
            for (std::string line; std::getline(file, line);) {
                if (line == expected)
                    return expected;
                recorded += line + "\n";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return recorded.empty() ? "<no browser was started>" : recorded;
    }

    static constexpr const wchar_t* RecordFile = KAVELO_BROWSER_RECORD;
    std::optional<std::wstring> previous;
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
        EXPECT_EQ(AwaitLaunch(LiveViewUrl(id)), "1 " + LiveViewUrl(id)) << id;
    }
    EXPECT_EQ(refreshes, static_cast<int>(ids.size()));
}

TEST_F(BrowserLaunch, TheLoginPageArrivesWithTheLinkId) {
    const char* linkId = "0f8fad5b-d9cb-469f-a165-70867728950e";
    OpenLoginPage(linkId);
    EXPECT_EQ(AwaitLaunch(LoginUrl(linkId)), "1 " + LoginUrl(linkId));
    EXPECT_EQ(refreshes, 1);
}

// Characters of every UTF-8 length, through the conversion to UTF-16 and back out as UTF-8.
TEST_F(BrowserLaunch, NonAsciiInTheUrlArrivesAsTheSameUtf8) {
    const std::string url = std::string(ServiceBaseUrl) + "/Caf\xC3\xA9/\xE2\x82\xAC/\xF0\x9F\x98\x80";
    OpenUrlInBrowser(url.c_str());
    EXPECT_EQ(AwaitLaunch(url), "1 " + url);
}

} // namespace

// The launch renews the stamp of the last browser visit; here it is only counted.
void RefreshBrowserOpenedAt() {
    ++refreshes;
}
