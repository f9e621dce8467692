// What the workbench does its own way on POSIX: the data folder after the XDG rules, and the module's
// Windows calls shown where the host stands in for Windows.

#include "DataFolder.hpp"
#include "DebugLog.hpp"
#include "TranscriptReader.hpp"

#include "Win32/Windows.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

using Workbench::DefaultDataFolder;
using WorkbenchTest::ParseTranscript;

TEST(WorkbenchOptions, TheDefaultDataFolderIsXdgDataHomeElseUnderHome) {
    EXPECT_EQ(DefaultDataFolder("/x/data", "/home/u"), std::filesystem::path("/x/data/kavelo-workbench"));
    EXPECT_EQ(DefaultDataFolder("relative", "/home/u"),
              std::filesystem::path("/home/u/.local/share/kavelo-workbench"));
    EXPECT_EQ(DefaultDataFolder(nullptr, "/home/u"),
              std::filesystem::path("/home/u/.local/share/kavelo-workbench"));
    EXPECT_EQ(DefaultDataFolder("", ""), std::filesystem::path());
    EXPECT_EQ(DefaultDataFolder(nullptr, nullptr), std::filesystem::path());
}

// A browser launch is shown on the console and in the transcript, every other call in the transcript.
struct WorkbenchWindowsCalls : testing::Test {
    std::ostringstream lines, out, err;
    Workbench::Transcript transcript{lines, err};
};

TEST_F(WorkbenchWindowsCalls, BrowserLaunchesAreShownAndOtherWindowsCallsRecorded) {
    ASSERT_EQ(setenv("BROWSER", "/bin/true", 1), 0) << "a test must never reach a real browser";
    Workbench::Console console(out, err, false);
    {
        Workbench::LibrarySinks sinks(transcript, console);
        ShellExecuteW(nullptr, u"open", u"https://example.test/?a=1&b=\u00E9", nullptr, nullptr,
                      SW_SHOWNORMAL);
        RegisterWindowMessageW(u"commdlg_FileNameOK");
    }
    ShellExecuteW(nullptr, u"open", u"https://example.test/after", nullptr, nullptr, SW_SHOWNORMAL);
    const auto events = ParseTranscript(lines.str());
    ASSERT_EQ(events.size(), 2u) << "a launch after the sinks are gone reached the transcript";
    EXPECT_EQ(events[0].Name(), "browser-launched");
    EXPECT_EQ(events[0].Text("url"), "https://example.test/?a=1&b=\xC3\xA9");
    EXPECT_EQ(events[1].Name(), "windows-call");
    EXPECT_EQ(events[1].Text("call"), "RegisterWindowMessageW");
    EXPECT_EQ(events[1].Text("argument"), "commdlg_FileNameOK");
    EXPECT_EQ(out.str(), "[browser] https://example.test/?a=1&b=\xC3\xA9\n");
}

} // namespace
