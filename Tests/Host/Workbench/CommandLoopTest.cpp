// The faces and the program over a session without a module: everything that must work, or fail
// cleanly, before or without KAVELO.apx.

#include "CommandLoop.hpp"
#include "App.hpp"
#include "DesktopFace.hpp"
#include "TranscriptReader.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

using namespace Workbench;

struct WorkbenchUnloadedSession : testing::Test {
    std::ostringstream lines, out, err;
    Transcript transcript{lines, err};
    Console console{out, err, false};
    Session session{
        transcript, console, {std::filesystem::path(testing::TempDir()) / "unloaded-session", {}}};

    bool Run(const std::string& script) {
        std::istringstream input(script);
        ScriptDialogs dialogs(transcript, console);
        return RunScript(session, console, dialogs, input, "test.script");
    }
};

TEST_F(WorkbenchUnloadedSession, AScriptErrorNamesFileAndLine) {
    EXPECT_FALSE(Run("# comment\n\nfail 62 -1\nmenu 32511\nquit\n"));
    EXPECT_EQ(err.str(), "test.script:4: the module is not loaded\n");
    const auto events = WorkbenchTest::ParseTranscript(lines.str());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Name(), "slot-failure-set");
}

TEST_F(WorkbenchUnloadedSession, ParseErrorsStopTheScriptAtTheirLine) {
    EXPECT_FALSE(Run("fail 5 -1\nfrobnicate\nfail 25 -1\n"));
    EXPECT_EQ(err.str(), "test.script:2: unknown command \"frobnicate\" (try \"help\")\n");
    EXPECT_EQ(WorkbenchTest::ParseTranscript(lines.str()).size(), 1u) << "line 3 ran";
}

TEST_F(WorkbenchUnloadedSession, ToolbarAndMenuTextNeedRegisteredEntries) {
    EXPECT_FALSE(Run("toolbar\n"));
    EXPECT_EQ(err.str(), "test.script:1: no toolbar entry is registered\n");
    err.str("");
    EXPECT_FALSE(Run("menu \"Open toolbar\"\n"));
    EXPECT_EQ(err.str(), "test.script:1: unknown menu \"Open toolbar\"\n");
}

TEST_F(WorkbenchUnloadedSession, ScreenshotIsAnErrorWhereThereAreNoWindows) {
    EXPECT_FALSE(Run("screenshot front.png\n"));
    EXPECT_EQ(err.str(),
              "test.script:1: screenshot: this face has no windows to picture (the desktop face has: "
              "--desktop)\n");
    EXPECT_FALSE(std::filesystem::exists("front.png"));
}

TEST_F(WorkbenchUnloadedSession, QuitEndsTheScriptAndLaterLinesAreNotRead) {
    EXPECT_TRUE(Run("quit\nnot a command\n"));
    EXPECT_TRUE(Run("unload --no-shutdown\nnot a command\n"));
    EXPECT_TRUE(Run(""));
    EXPECT_EQ(err.str(), "");
}

TEST_F(WorkbenchUnloadedSession, AnAnswerNoDialogUsedIsAnErrorAtItsLine) {
    EXPECT_FALSE(Run("window plan\nanswer 2\nanswer close\n"));
    EXPECT_EQ(err.str(), "test.script:2: answer 2 was never used: no dialog opened after it\n");
    err.str("");
    EXPECT_FALSE(Run("answer close\nquit\nanswer 1\n"));
    EXPECT_EQ(err.str(), "test.script:1: answer close was never used: no dialog opened after it\n");
}

TEST_F(WorkbenchUnloadedSession, WindowAndPrefsCommandsWorkWithoutAModule) {
    EXPECT_TRUE(Run("window section\nprefs show\nprefs fail -1\nprefs fail off\n"));
    EXPECT_EQ(session.Host().FrontWindow(), WindowKind::Section);
    EXPECT_NE(out.str().find("The section window is in front.\nNo add-on is loaded"), std::string::npos)
        << out.str();
    const auto failures =
        WorkbenchTest::EventsNamed(WorkbenchTest::ParseTranscript(lines.str()), "slot-failure-set");
    ASSERT_EQ(failures.size(), 4u);
    EXPECT_EQ(failures[0].Number("slot"), 59);
    EXPECT_EQ(failures[1].Number("slot"), 60);
    EXPECT_EQ(failures[1].Number("code"), -1);
    EXPECT_TRUE(failures[3].fields.at("code").is_null());
    EXPECT_FALSE(Run("prefs clear\n"));
    EXPECT_NE(err.str().find("test.script:1: prefs clear: no add-on is loaded"), std::string::npos)
        << err.str();
}

TEST_F(WorkbenchUnloadedSession, ThePromptReportsErrorsAndGoesOn) {
    std::istringstream input("7\nfrobnicate\nfail 5 xyz\nanswer 1\nquit\nhelp\n");
    RunPrompt(session, console, input);
    const std::string shown = out.str();
    EXPECT_NE(shown.find("there is no menu entry 7 (1 to 0)"), std::string::npos) << shown;
    EXPECT_NE(shown.find("unknown command \"frobnicate\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("fail: \"xyz\" is no host code"), std::string::npos) << shown;
    EXPECT_NE(shown.find("answer: there is nothing to answer ahead here"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Commands (one a line"), std::string::npos) << "read past quit";
}

struct Program {
    std::istringstream in;
    std::ostringstream out, err;

    int Run(std::vector<std::string_view> arguments,
            const std::string& defaultModule = "/nonexistent/KAVELO.apx") {
        return RunWorkbench(arguments, {in, false, out, err}, defaultModule);
    }
};

std::filesystem::path BinDir() {
    const char* dir = std::getenv("KAVELO_BIN_DIR");
    return dir != nullptr ? dir : ".";
}

TEST(WorkbenchProgramCore, HelpAndBadOptions) {
    Program help;
    EXPECT_EQ(help.Run({"--help"}), ExitSuccess);
    EXPECT_EQ(help.out.str().rfind("Usage: kavelo-workbench", 0), 0u);

    Program bad;
    EXPECT_EQ(bad.Run({"--frob"}), ExitUsage);
    EXPECT_EQ(bad.err.str(), "kavelo-workbench: unknown option \"--frob\" (see --help)\n");
}

// On POSIX there is no desktop face; a Windows workbench under wine without a display has none to show.
TEST(WorkbenchProgramCore, TheDesktopFaceIsRefusedWithItsReasonWhereItCannotShow) {
    if (DisplayPresent())
        GTEST_SKIP() << "a display is present: the desktop face can show";
    Program program;
    EXPECT_EQ(program.Run({"--desktop", "--data-dir", testing::TempDir()}), ExitUsage);
    EXPECT_EQ(program.err.str().rfind("kavelo-workbench: --desktop: ", 0), 0u) << program.err.str();
    EXPECT_GT(program.err.str().size(), std::string("kavelo-workbench: --desktop: \n").size())
        << "no reason given";
    EXPECT_EQ(program.out.str(), "") << "nothing was loaded";
}

TEST(WorkbenchProgramCore, ASharedObjectWithoutTheExportsIsNoModule) {
    const std::string library = (BinDir() / KAVELO_LIBRARY_WITHOUT_EXPORTS).string();
    const std::string transcriptPath =
        (std::filesystem::path(testing::TempDir()) / "noexports.jsonl").string();
    Program program;
    EXPECT_EQ(
        program.Run({"--module", library, "--transcript", transcriptPath, "--data-dir", testing::TempDir()}),
        ExitModuleFailure);
    EXPECT_NE(program.err.str().find("is not an add-on module: it does not export GetExportedFuncAddrs"),
              std::string::npos)
        << program.err.str();
}

TEST(WorkbenchProgramCore, UnreadableScriptOrTranscriptIsAUsageError) {
    Program script;
    EXPECT_EQ(script.Run({"--script", "/nonexistent/script.txt"}), ExitUsage);
    EXPECT_EQ(script.err.str(), "kavelo-workbench: cannot read the script /nonexistent/script.txt\n");

    Program transcript;
    EXPECT_EQ(transcript.Run({"--transcript", "/nonexistent/dir/t.jsonl", "--data-dir", "/tmp"}), ExitUsage);
    EXPECT_EQ(transcript.err.str(),
              "kavelo-workbench: cannot write the transcript /nonexistent/dir/t.jsonl\n");
}

TEST(WorkbenchProgramCore, AMissingViewImageIsAUsageError) {
    Program program;
    EXPECT_EQ(program.Run({"--view-image", "/nonexistent/view.jpg", "--data-dir", "/tmp"}), ExitUsage);
    EXPECT_EQ(program.err.str(), "kavelo-workbench: cannot read the view image /nonexistent/view.jpg\n");
}

TEST(WorkbenchPrompt, TheHeaderShowsTheWindowInFrontAndTheNewestPalette) {
    EXPECT_EQ(PromptText(WindowKind::Model3D, {}), "[3d window | no palette] kavelo> ");
    DG::Host::PaletteView older, newer;
    older.visible = true;
    newer.dialog.items.resize(2);
    newer.dialog.items[1].enabled = false;
    EXPECT_EQ(PromptText(WindowKind::Layout, {older, newer}),
              "[layout window | palette hidden, disabled] kavelo> ");
    EXPECT_EQ(PromptText(WindowKind::FloorPlan, {older}), "[plan window | palette shown, enabled] kavelo> ");
}

TEST_F(WorkbenchUnloadedSession, ThePromptFollowsTheWindowInFront) {
    std::istringstream input("window section\n");
    RunPrompt(session, console, input);
    const std::string shown = out.str();
    const std::size_t first = shown.find("[3d window | no palette] kavelo> ");
    ASSERT_NE(first, std::string::npos) << shown;
    EXPECT_NE(shown.find("[section window | no palette] kavelo> ", first), std::string::npos) << shown;
}

} // namespace
