// kavelo-workbench on the real KAVELO.apx, run as a separate process with scripts, judged by its
// exit status, its output and its transcript.

#include "ACAPI/APIdefs.hpp"
#include "ChildProgram.hpp"
#include "JpegInfo.hpp"
#include "ProgramRunner.hpp"
#include "TranscriptReader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using WorkbenchTest::Event;
using WorkbenchTest::EventsNamed;

fs::path BinDir() {
    const char* dir = std::getenv("KAVELO_BIN_DIR");
    return dir != nullptr ? fs::path(dir) : fs::current_path();
}

fs::path Program() {
    return BinDir() / ("kavelo-workbench" KAVELO_EXECUTABLE_SUFFIX);
}

std::string ModulePath() {
    return fs::canonical(BinDir() / "KAVELO.apx").string();
}

using Testing::ReadFile;

// Arguments are UTF-8 on every system.
std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<Event> events;
    fs::path scriptPath;
    std::size_t launchesRecordedBefore = 0;

    std::vector<std::int64_t> Numbers(const std::string& event, const std::string& field) const {
        std::vector<std::int64_t> numbers;
        for (const Event& named : EventsNamed(events, event))
            numbers.push_back(named.Number(field));
        return numbers;
    }

    const Event* Entry(const std::string& name) const {
        for (const Event& event : events) {
            if (event.Name() == "entry" && event.Text("entry") == name)
                return &event;
        }
        return nullptr;
    }

    std::size_t IndexOf(const std::string& eventName) const {
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].Name() == eventName)
                return i;
        }
        return events.size();
    }
};

class WorkbenchProgram : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(BinDir() / "KAVELO.apx") || !fs::exists(Program()))
            GTEST_SKIP() << "KAVELO.apx or " << Program() << " is not built";
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::path(testing::TempDir()) / (std::string("workbench-") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }

    // Runs the workbench with `arguments` plus a transcript and, unless useDefaultDataFolder is set,
    // the test's own data folder; `script`, when given, becomes a file passed with --script; `input` is its
    // standard input (never a terminal); `environment` adds variables to the workbench's own.
    ProgramRun Start(std::vector<std::string> arguments, const std::optional<std::string>& script,
                     const std::string& input = "", std::vector<std::string> environment = {}) {
        ProgramRun run;
        const fs::path transcript = folder / "transcript.jsonl";
        const fs::path in = folder / "stdin.txt";
        WriteFile(in, input);
        if (script) {
            run.scriptPath = folder / scriptName;
            WriteFile(run.scriptPath, *script);
            arguments.insert(arguments.begin(), {"--script", Utf8(run.scriptPath)});
        }
        arguments.insert(arguments.begin(), {"--transcript", Utf8(transcript)});
        if (!useDefaultDataFolder)
            arguments.insert(arguments.begin(), {"--data-dir", Utf8(DataFolder())});
        WorkbenchTest::Finished finished =
            WorkbenchTest::RunProgram(Program(), arguments, in, environment, folder);
        run.exitCode = finished.exitCode;
        run.out = std::move(finished.out);
        run.err = std::move(finished.err);
        run.launchesRecordedBefore = finished.launchesRecordedBefore;
        run.events = WorkbenchTest::ParseTranscript(ReadFile(transcript));
        return run;
    }

    fs::path DataFolder() const { return folder / dataFolderName; }
    bool useDefaultDataFolder = false;
    fs::path dataFolderName = "data";
    fs::path scriptName = "commands.script";
    fs::path StoreFile() const { return DataFolder() / "preferences" / "mdid-4B41564C-00000001.prefs"; }

    fs::path folder;
};

TEST_F(WorkbenchProgram, StartAndQuitFollowTheProtocol) {
    const ProgramRun run = Start({}, "quit\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    for (std::size_t i = 0; i < run.events.size(); ++i)
        EXPECT_EQ(run.events[i].Number("seq"), static_cast<std::int64_t>(i + 1));

    std::vector<std::string> entries;
    for (const Event& event : EventsNamed(run.events, "entry"))
        entries.push_back(event.Text("entry"));
    EXPECT_EQ(entries,
              std::vector<std::string>({"GetExportedFuncAddrs", "SetImportedFuncAddrs", "DescribeAddOn",
                                        "RegisterCommands", "Initialize", "ShutDown"}));
    EXPECT_EQ(run.Entry("GetExportedFuncAddrs")->Text("protocolVersion"), "0x001D0001");
    EXPECT_EQ(run.Entry("GetExportedFuncAddrs")->Number("hostVersion"), 29000);
    EXPECT_EQ(run.Entry("DescribeAddOn")->Number("result"), 1);
    EXPECT_EQ(run.Entry("DescribeAddOn")->Text("name"), "KAVELO");
    EXPECT_EQ(run.Entry("DescribeAddOn")->Text("description").rfind("Export models to ", 0), 0u);
    for (const char* entry : {"SetImportedFuncAddrs", "RegisterCommands", "Initialize", "ShutDown"})
        EXPECT_EQ(run.Entry(entry)->Number("result"), 0) << entry;

    EXPECT_EQ(run.Numbers("menu-registered", "menu"),
              std::vector<std::int64_t>({32511, 32512, 32514, 32513, 32540}));
    EXPECT_EQ(run.Numbers("menu-registered", "prompt"), std::vector<std::int64_t>({32530, 0, 0, 0, 0}));
    EXPECT_EQ(run.Numbers("menu-registered", "placement"), std::vector<std::int64_t>({0, 0, 0, 0, 12}));
    EXPECT_EQ(run.Numbers("menu-registered", "result"), std::vector<std::int64_t>(5, 0));
    EXPECT_EQ(run.Numbers("handler-installed", "menu"),
              std::vector<std::int64_t>({32511, 32512, 32514, 32513, 32540}));
    EXPECT_EQ(run.Numbers("handler-installed", "result"), std::vector<std::int64_t>(5, 0));

    const auto registered = EventsNamed(run.events, "window-registered");
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0].Text("refId"), "0x8D0ACB8B");
    EXPECT_EQ(registered[0].Number("flags"), 4);
    EXPECT_EQ(registered[0].Text("guid"), "{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
    const auto unregistered = EventsNamed(run.events, "window-unregistered");
    ASSERT_EQ(unregistered.size(), 1u);
    EXPECT_EQ(unregistered[0].Text("refId"), "0x8D0ACB8B");
    EXPECT_EQ(unregistered[0].Number("result"), 0);

    // The protocol's order: exports, describe, menus, handlers and window, shut-down, unload.
    EXPECT_LT(run.IndexOf("module-loaded"), run.IndexOf("menu-registered"));
    EXPECT_LT(run.IndexOf("menu-registered"), run.IndexOf("handler-installed"));
    EXPECT_LT(run.IndexOf("handler-installed"), run.IndexOf("window-registered"));
    EXPECT_LT(run.IndexOf("window-unregistered"), run.IndexOf("module-unloaded"));
    ASSERT_EQ(run.IndexOf("module-unloaded"), run.events.size() - 1);
    EXPECT_EQ(run.events.back().Text("path"), ModulePath());
    EXPECT_FALSE(run.events.back().Flag("resident")) << "the module's detach did not run at unload";

    for (const Event& debug : EventsNamed(run.events, "debug"))
        EXPECT_EQ(debug.Text("text").find("Abnormal"), std::string::npos);
    EXPECT_NE(run.out.find("Add-on KAVELO: Export models to "), std::string::npos) << run.out;
}

TEST_F(WorkbenchProgram, UnloadWithoutShutDownIsAnAbnormalTermination) {
    const ProgramRun run = Start({"--verbose"}, "unload --no-shutdown\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.Entry("ShutDown"), nullptr);
    EXPECT_TRUE(EventsNamed(run.events, "window-unregistered").empty());

    const std::string expected = "Abnormal add-on termination (\"" + ModulePath() + "\")\n";
    const auto debug = EventsNamed(run.events, "debug");
    ASSERT_FALSE(debug.empty());
    EXPECT_EQ(debug.back().Text("text"), expected);
    EXPECT_EQ(run.IndexOf("module-unloaded"), run.events.size() - 1);
    EXPECT_NE(run.err.find(expected), std::string::npos) << "--verbose copies debug text: " << run.err;
}

TEST_F(WorkbenchProgram, RefusedMenuRegistrationEndsRegisterCommands) {
    const ProgramRun run = Start({"--fail", "5=-2130313215"}, "quit\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(run.IndexOf("slot-failure-set"), 0u);
    EXPECT_EQ(run.events[0].Number("slot"), 5);
    EXPECT_EQ(run.events[0].Number("code"), APIERR_GENERAL);

    EXPECT_EQ(run.Numbers("menu-registered", "menu"), std::vector<std::int64_t>({32511}));
    EXPECT_EQ(run.Numbers("menu-registered", "result"), std::vector<std::int64_t>({APIERR_GENERAL}));
    EXPECT_EQ(run.Entry("RegisterCommands")->Number("result"), APIERR_GENERAL);
    EXPECT_NE(run.err.find("RegisterCommands answered -2130313215 (0x81060001)"), std::string::npos)
        << run.err;
}

TEST_F(WorkbenchProgram, RefusedWindowRegistrationIsInitializesResult) {
    const ProgramRun run = Start({"--fail=61=0x81060002"}, "quit\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.Numbers("handler-installed", "result"), std::vector<std::int64_t>(5, 0));
    EXPECT_EQ(run.Numbers("window-registered", "result"), std::vector<std::int64_t>({APIERR_MEMFULL}));
    EXPECT_EQ(run.Entry("Initialize")->Number("result"), APIERR_MEMFULL);
    bool logged = false;
    for (const Event& debug : EventsNamed(run.events, "debug"))
        logged =
            logged || debug.Text("text") == "DG_Test:: Initialize() ACAPI_RegisterModelessWindow failed\n";
    EXPECT_TRUE(logged);
}

TEST_F(WorkbenchProgram, ShutDownIgnoresAFailedUnregistration) {
    const ProgramRun run = Start({}, "fail 62 -2130313215\nquit\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.Numbers("window-unregistered", "result"), std::vector<std::int64_t>({APIERR_GENERAL}));
    EXPECT_EQ(run.Entry("ShutDown")->Number("result"), 0);
}

TEST_F(WorkbenchProgram, PicksCommandsByIdTextAndToolbar) {
    // Not linked, the export asks to link first: "Cancel" ends it.
    const ProgramRun run = Start(
        {}, "menu 32511\nanswer 2\nmenu \"export from current view\"\ntoolbar\nmenu Open live connection\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.Numbers("dialog-opened", "resId"), std::vector<std::int64_t>({32520}));
    EXPECT_EQ(run.Numbers("dialog-closed", "response"), std::vector<std::int64_t>({2}));
    const auto picked = EventsNamed(run.events, "menu-picked");
    ASSERT_EQ(picked.size(), 4u);
    EXPECT_EQ(picked[0].Number("menu"), 32511);
    EXPECT_EQ(picked[0].Text("text"), "Open toolbar");
    EXPECT_EQ(picked[1].Number("menu"), 32512);
    EXPECT_EQ(picked[1].Text("text"), "Export from current view");
    EXPECT_EQ(picked[2].Number("menu"), 32540);
    EXPECT_EQ(picked[2].Text("text"), "KAVELO toolbar");
    EXPECT_EQ(picked[3].Number("menu"), 32514);
    for (const Event& event : picked)
        EXPECT_TRUE(event.Flag("handler"));
    EXPECT_EQ(run.Numbers("menu-handled", "result"), std::vector<std::int64_t>(4, 0));
    EXPECT_NE(run.Entry("ShutDown"), nullptr) << "the end of the script is a quit";
}

TEST_F(WorkbenchProgram, ACommandWithoutHandlerSaysSo) {
    const ProgramRun run = Start({"--fail", "25=-2130313215"}, "menu 32513\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto picked = EventsNamed(run.events, "menu-picked");
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_FALSE(picked[0].Flag("handler"));
    EXPECT_TRUE(EventsNamed(run.events, "menu-handled").empty());
    EXPECT_NE(run.out.find("\"Unlink account\" (menu 32513) has no handler installed."), std::string::npos)
        << run.out;
}

TEST_F(WorkbenchProgram, ScriptErrorsNameFileAndLineAndUnloadCleanly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"menu 32511\n# fine so far\nfrobnicate\n", ":3: unknown command \"frobnicate\" (try \"help\")"},
        {"fail 5 xyz\n", ":1: fail: \"xyz\" is no host code (a 32-bit number, decimal or 0x hex)"},
        {"menu 12345\n", ":1: unknown menu 12345: the module registered no such menu"},
        {"\nmenu \"No such command\"\n", ":2: unknown menu \"No such command\""},
    };
    for (const auto& [script, message] : cases) {
        SCOPED_TRACE(script);
        const ProgramRun run = Start({}, script);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, run.scriptPath.string() + message + "\n");
        ASSERT_NE(run.Entry("ShutDown"), nullptr);
        EXPECT_EQ(run.IndexOf("module-unloaded"), run.events.size() - 1);
    }
}

TEST_F(WorkbenchProgram, StandardInputIsAScriptWhenNotATerminal) {
    const ProgramRun run = Start({}, std::nullopt, "menu 32511\nbogus\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "<stdin>:2: unknown command \"bogus\" (try \"help\")\n");
    EXPECT_EQ(EventsNamed(run.events, "menu-picked").size(), 1u);
}

TEST_F(WorkbenchProgram, HelpShowsTheMenuBuiltFromTheModulesStrings) {
    const ProgramRun run = Start({}, "help\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(
        run.out.find("Menu \"KAVELO\":\n   1  Open toolbar\n   2  Export from current view\n"
                     "   3  Open live connection\n   4  Unlink account\nToolbar:\n   5  KAVELO toolbar\n"),
        std::string::npos)
        << run.out;
}

TEST_F(WorkbenchProgram, AMissingModuleExitsWithOne) {
    const ProgramRun run = Start({"--module", (folder / "none.apx").string()}, "quit\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot find the module"), std::string::npos) << run.err;
    EXPECT_TRUE(run.events.empty());
}

std::string FakeModule() {
    return (BinDir() / "WorkbenchFakeModule.apx").string();
}

TEST_F(WorkbenchProgram, ReportsCrossTheArgumentListAndAMenuWithoutStringsShowsItsId) {
    const ProgramRun run = Start({"--module", FakeModule()}, "menu 100\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("cannot read the module's resources"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("menu 100: the module has no string list 100"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Add-on Fake: caf\xC3\xA9\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("╔═ ALERT ═══════════════╗\n"
                           "║ Error: APIERR_GENERAL ║\n"
                           "╚═══════════════════════╝\n"
                           "[report] 50% of 7, ff\n[report] picked 100\n"),
              std::string::npos)
        << run.out;

    const auto reports = EventsNamed(run.events, "report");
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].Text("text"), "Error: APIERR_GENERAL");
    EXPECT_TRUE(reports[0].Flag("alert"));
    EXPECT_EQ(reports[1].Text("text"), "50% of 7, ff");
    EXPECT_FALSE(reports[1].Flag("alert"));
    EXPECT_EQ(reports[2].Text("text"), "picked 100");
    EXPECT_EQ(run.Entry("DescribeAddOn")->Text("description"), "caf\xC3\xA9");
    const auto picked = EventsNamed(run.events, "menu-picked");
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0].Text("text"), "menu 100");
}

TEST_F(WorkbenchProgram, AModuleForAnotherHostIsUnloadedUntouched) {
    const ProgramRun run = Start({"--module", FakeModule()}, "quit\n", "", {"WORKBENCH_FAKE_MODE=old-host"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is built for another host: protocol word 0x001C0001, host version 29000"),
              std::string::npos)
        << run.err;
    std::vector<std::string> names;
    for (const Event& event : run.events)
        names.push_back(event.Name());
    EXPECT_EQ(names, std::vector<std::string>({"module-loaded", "entry", "module-unloaded"}));
}

TEST_F(WorkbenchProgram, AModuleWithAnEmptyEntryIsRefused) {
    const ProgramRun run =
        Start({"--module", FakeModule()}, "quit\n", "", {"WORKBENCH_FAKE_MODE=empty-entry"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("leaves an entry point of its entry-point record empty"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.Entry("SetImportedFuncAddrs"), nullptr);
}

// ---- preferences ----------------------------------------------------------------------------

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The URLs of the run's browser launches as its transcript shows them. Where a recorder stands in
// for the browser, it must have received the same ones: the system got each launch unchanged.
std::vector<std::string> LaunchedUrls(const ProgramRun& run) {
    std::vector<std::string> urls;
    for (const Event& launched : EventsNamed(run.events, "browser-launched"))
        urls.push_back(launched.Text("url"));
    if (WorkbenchTest::BrowserLaunchesRecorded) {
        EXPECT_EQ(WorkbenchTest::RecordedBrowserLaunches(run.launchesRecordedBefore, urls.size()), urls);
    }
    return urls;
}

TEST_F(WorkbenchProgram, TheRecordPersistsBetweenRunsAndUnlinkRemovesIt) {
    const ProgramRun first = Start({}, "prefs show\nmenu Open live connection\nprefs show\n");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const auto launched = LaunchedUrls(first);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_TRUE(EndsWith(launched[0], "/?uploadRealtime=true")) << launched[0];
    EXPECT_NE(first.out.find("[browser] " + launched[0] + "\n"), std::string::npos) << first.out;

    const auto read = EventsNamed(first.events, "preferences-read");
    ASSERT_EQ(read.size(), 1u) << "nothing stored: no second call";
    EXPECT_EQ(read[0].Number("size"), 0);
    const auto written = EventsNamed(first.events, "preferences-written");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].Number("version"), 1);
    EXPECT_EQ(written[0].Number("size"), 48);
    EXPECT_EQ(written[0].Number("result"), 0);
    EXPECT_TRUE(fs::exists(StoreFile()));
    const std::string shown = first.out;
    EXPECT_NE(shown.find("nothing stored\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("version 1, 48 bytes\n0000  00 00"), std::string::npos) << shown;
    EXPECT_NE(shown.find("link id: none (not linked)\nbrowser last opened: 2"), std::string::npos) << shown;

    const ProgramRun second = Start({}, "prefs show\nanswer 1\nmenu Unlink account\nprefs show\n");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const std::string again = second.out;
    EXPECT_NE(again.find("version 1, 48 bytes"), std::string::npos) << "kept from the first run: " << again;
    EXPECT_NE(again.find("Account unlinked (dialog 32534)"), std::string::npos) << again;
    EXPECT_NE(again.find("│ [1] OK"), std::string::npos) << again;
    EXPECT_TRUE(EndsWith(again, "nothing stored\n")) << again;
    EXPECT_FALSE(fs::exists(StoreFile()));

    const auto deleted = EventsNamed(second.events, "preferences-deleted");
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0].Text("by"), "module");
    const auto opened = EventsNamed(second.events, "dialog-opened");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].Number("resId"), 32534);
    EXPECT_EQ(opened[0].Text("title"), "Account unlinked");
    EXPECT_EQ(opened[0].Text("texts"), "Archicad app was unlinked from your KAVELO account.");
    const auto clicks = EventsNamed(second.events, "dialog-click");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].Number("item"), 1);
    EXPECT_EQ(clicks[0].Text("text"), "OK");
    EXPECT_EQ(second.Numbers("dialog-closed", "response"), std::vector<std::int64_t>({1}));
    EXPECT_LT(second.IndexOf("preferences-deleted"), second.IndexOf("dialog-opened"));
}

TEST_F(WorkbenchProgram, ADataFolderAndScriptNamedInAnyScriptAreUsedAsNamed) {
    dataFolderName = fs::path(u8"Z\u00fcrich-\u6771\u4eac");
    scriptName = fs::path(u8"Z\u00fcrich-\u6771\u4eac.script");
    const ProgramRun run = Start({}, "menu Open live connection\nprefs show\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(StoreFile()));
    EXPECT_NE(run.out.find(" in " + Utf8(StoreFile()) + ":\n"), std::string::npos) << run.out;
}

TEST_F(WorkbenchProgram, AFailingStoreShowsTheErrorAlertAndBeeps) {
    const ProgramRun run = Start({}, "prefs fail 0x81060001\nmenu Open live connection\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.Numbers("preferences-read", "result"), std::vector<std::int64_t>({APIERR_GENERAL}));
    EXPECT_EQ(run.Numbers("preferences-written", "result"), std::vector<std::int64_t>({APIERR_GENERAL}));
    EXPECT_FALSE(fs::exists(StoreFile()));

    // Each failed call is one alert followed by one beep.
    std::vector<std::string> sequence;
    for (const Event& event : run.events) {
        if (event.Name() == "report" || event.Name() == "beep")
            sequence.push_back(event.Name() == "beep" ? "beep" : event.Text("text"));
    }
    EXPECT_EQ(sequence,
              std::vector<std::string>({"Error: APIERR_GENERAL", "beep", "Error: APIERR_GENERAL", "beep"}));
    for (const Event& report : EventsNamed(run.events, "report"))
        EXPECT_TRUE(report.Flag("alert"));
    const std::string alert =
        "╔═ ALERT ═══════════════╗\n║ Error: APIERR_GENERAL ║\n╚═══════════════════════╝\n[beep]\n";
    const std::size_t first = run.out.find(alert);
    ASSERT_NE(first, std::string::npos) << run.out;
    EXPECT_NE(run.out.find(alert, first + alert.size()), std::string::npos) << run.out;
}

TEST_F(WorkbenchProgram, ThePrefsFailOptionFailsFromTheStartAndPrefsFailOffMends) {
    const ProgramRun run = Start({"--prefs-fail", "0x81060387"},
                                 "menu Open live connection\nprefs fail off\nmenu Open live connection\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.Numbers("slot-failure-set", "slot"), std::vector<std::int64_t>({59, 60, 59, 60}));
    std::vector<std::string> reports;
    for (const Event& report : EventsNamed(run.events, "report"))
        reports.push_back(report.Text("text"));
    EXPECT_EQ(reports, std::vector<std::string>(2, "Error: APIERR_NOTSUPPORTED"));
    EXPECT_EQ(run.Numbers("preferences-written", "result"), std::vector<std::int64_t>({-2130312313, 0}));
    EXPECT_TRUE(fs::exists(StoreFile()));
}

TEST_F(WorkbenchProgram, ADamagedStoreIsToldReadsAsNothingAndIsReplaced) {
    fs::create_directories(StoreFile().parent_path());
    WriteFile(StoreFile(), "KVWBPREF\x01\0\0\0 and then a torn end");
    const ProgramRun run = Start({}, "menu Open live connection\nprefs show\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto damaged = EventsNamed(run.events, "preferences-damaged");
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(damaged[0].Text("path"), StoreFile().string());
    EXPECT_NE(run.err.find("reads as nothing stored"), std::string::npos) << run.err;
    EXPECT_TRUE(EventsNamed(run.events, "report").empty())
        << "a damaged store is no error of the add-on's call";
    EXPECT_EQ(run.Numbers("preferences-written", "result"), std::vector<std::int64_t>({0}));
    EXPECT_NE(run.out.find("version 1, 48 bytes"), std::string::npos) << run.out;
}

TEST_F(WorkbenchProgram, WithoutDataDirTheStoreIsUnderTheSystemsDataFolder) {
    useDefaultDataFolder = true;
    const fs::path data = folder / "system-data";
    const ProgramRun run = Start({}, "menu Open live connection\n", "",
                                 {std::string(WorkbenchTest::DataFolderVariable) + "=" + data.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(
        fs::exists(data / WorkbenchTest::DataFolderName / "preferences" / "mdid-4B41564C-00000001.prefs"));
}

// ---- dialogs --------------------------------------------------------------------------------

TEST_F(WorkbenchProgram, ADialogWithoutAnAnswerFailsTheScriptNamingIt) {
    const ProgramRun run = Start({}, "menu 32511\nmenu Unlink account\nmenu Open live connection\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              run.scriptPath.string() +
                  ":2: dialog 32534 \"Account unlinked\" opened with no answer waiting (put \"answer "
                  "<item>\" or \"answer close\" before the command that opens it)\n");
    EXPECT_EQ(EventsNamed(run.events, "dialog-unanswered").size(), 1u);
    EXPECT_EQ(run.Numbers("dialog-closed", "response"), std::vector<std::int64_t>({2}));
    EXPECT_EQ(run.Numbers("menu-picked", "menu"), std::vector<std::int64_t>({32511, 32513}));
    ASSERT_NE(run.Entry("ShutDown"), nullptr);
    EXPECT_EQ(run.IndexOf("module-unloaded"), run.events.size() - 1);
}

TEST_F(WorkbenchProgram, AnAnswerNoDialogUsedIsAScriptError) {
    const ProgramRun run = Start({}, "answer 1\nmenu Open live connection\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, run.scriptPath.string() + ":1: answer 1 was never used: no dialog opened after it\n");
    EXPECT_EQ(run.IndexOf("module-unloaded"), run.events.size() - 1);
}

TEST_F(WorkbenchProgram, AnAnswerMayCloseTheDialogThroughItsWindowOrNameAMissingItem) {
    const ProgramRun closed = Start({}, "answer close\nmenu Unlink account\n");
    ASSERT_EQ(closed.exitCode, 0) << closed.err;
    EXPECT_EQ(EventsNamed(closed.events, "dialog-close-request").size(), 1u);
    const auto closedEvents = EventsNamed(closed.events, "dialog-closed");
    ASSERT_EQ(closedEvents.size(), 1u);
    EXPECT_EQ(closedEvents[0].Number("response"), 2);
    EXPECT_FALSE(closedEvents[0].Flag("accepted"));

    const ProgramRun missing = Start({}, "answer 7\nmenu Unlink account\n");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err,
              missing.scriptPath.string() +
                  ":2: the answer of line 1 names item 7, which dialog 32534 \"Account unlinked\" does "
                  "not have\n");
}

TEST_F(WorkbenchProgram, DialogsFromStandardInputAreAnsweredTheSameWay) {
    const ProgramRun run = Start({}, std::nullopt, "answer 3\nanswer 1\nmenu Unlink account\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.Numbers("dialog-click", "item"), std::vector<std::int64_t>({3, 1}))
        << "a click on the text does nothing; the next answer closes the dialog";
    EXPECT_EQ(run.Numbers("dialog-closed", "response"), std::vector<std::int64_t>({1}));
}

// ---- windows and the 3D view ----------------------------------------------------------------

std::string CaptureReport(const ProgramRun& run) {
    for (const Event& report : EventsNamed(run.events, "report")) {
        if (report.Text("text").rfind("capture: ", 0) == 0)
            return report.Text("text");
    }
    return "no capture report";
}

TEST_F(WorkbenchProgram, SavingThe3DWindowRendersAJpegOfTheViewSize) {
    const ProgramRun run = Start({"--module", FakeModule(), "--view-size", "160x120"}, "menu 101\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(CaptureReport(run), "capture: window 0 type 4, folder 0, save 0");
    const fs::path capture = DataFolder() / "temporary" / "FakeCapture.jpeg";
    const WorkbenchTest::JpegInfo jpeg = WorkbenchTest::ReadJpegInfo(capture);
    ASSERT_TRUE(jpeg.valid) << jpeg.problem;
    EXPECT_EQ(jpeg.width, 160);
    EXPECT_EQ(jpeg.height, 120);
    const auto saved = EventsNamed(run.events, "view-saved");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Text("path"), capture.string());
    EXPECT_EQ(saved[0].Number("bytes"), static_cast<std::int64_t>(fs::file_size(capture)));
    const auto folderEvents = EventsNamed(run.events, "special-folder");
    ASSERT_EQ(folderEvents.size(), 1u);
    EXPECT_EQ(folderEvents[0].Text("path"), (DataFolder() / "temporary").string());
}

TEST_F(WorkbenchProgram, AViewImageIsSavedByteForByte) {
    const fs::path picture = folder / "one-byte.jpg";
    WriteFile(picture, "\xFF");
    const ProgramRun run = Start({"--module", FakeModule(), "--view-image", picture.string()}, "menu 101\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(CaptureReport(run), "capture: window 0 type 4, folder 0, save 0");
    EXPECT_EQ(ReadFile(DataFolder() / "temporary" / "FakeCapture.jpeg"), "\xFF");
}

TEST_F(WorkbenchProgram, OnlyThe3DWindowInFrontIsSaved) {
    const ProgramRun run =
        Start({"--module", FakeModule(), "--window", "section"},
              "menu 101\nwindow plan\nmenu 101\nwindow 3d\nfail 81 0x81060002\nmenu 101\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> captures;
    for (const Event& report : EventsNamed(run.events, "report")) {
        if (report.Text("text").rfind("capture: ", 0) == 0)
            captures.push_back(report.Text("text"));
    }
    EXPECT_EQ(captures, std::vector<std::string>({"capture: window 0 type 2, folder 0, save 8106006b",
                                                  "capture: window 0 type 1, folder 0, save 8106006b",
                                                  "capture: window 0 type 4, folder 0, save 81060002"}));
    EXPECT_FALSE(fs::exists(DataFolder() / "temporary" / "FakeCapture.jpeg"));
    const auto switched = EventsNamed(run.events, "window-switched");
    ASSERT_EQ(switched.size(), 3u);
    EXPECT_EQ(switched[0].Text("to"), "section");
    EXPECT_EQ(run.IndexOf("window-switched"), 0u) << "the option acts before the module is loaded";
    EXPECT_NE(run.out.find("The plan window is in front.\n"), std::string::npos) << run.out;
}

// ---- network settings ------------------------------------------------------------------------

TEST_F(WorkbenchProgram, AnUnreadableTrustedCaIsAUsageErrorBeforeTheModuleLoads) {
    const fs::path notPem = folder / "not.pem";
    WriteFile(notPem, "no certificate here\n");
    for (const fs::path& file : {folder / "missing.pem", notPem}) {
        const ProgramRun run = Start({"--trust-ca", file.string()}, "quit\n");
        EXPECT_EQ(run.exitCode, 2) << file;
        EXPECT_EQ(run.err.rfind("kavelo-workbench: --trust-ca: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(file.string()), std::string::npos) << run.err;
        EXPECT_EQ(run.IndexOf("module-loaded"), run.events.size()) << "nothing is loaded";
    }
}

TEST_F(WorkbenchProgram, AMalformedConnectToIsAUsageError) {
    const ProgramRun run = Start({"--connect-to", "localhost:8443:127.0.0.1"}, "quit\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kavelo-workbench: --connect-to: \"localhost:8443:127.0.0.1\" is not "
                       "HOST:PORT:TOHOST:TOPORT\n");
}

TEST_F(WorkbenchProgram, WellFormedNetworkSettingsAreTaken) {
    if (!WorkbenchTest::ConnectToAvailable)
        GTEST_SKIP() << "WinHTTP connects where the URL says: --connect-to is refused on Windows";
    const fs::path bundle = "/etc/ssl/certs/ca-certificates.crt";
    if (!fs::exists(bundle))
        GTEST_SKIP() << "no CA bundle at " << bundle;
    const ProgramRun run = Start({"--trust-ca", bundle.string(), "--connect-to", "localhost:8443:127.0.0.1:9",
                                  "--connect-to", "localhost:443::8443"},
                                 "quit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

// ---- the palette ------------------------------------------------------------------------------

std::vector<std::string> PaletteChanges(const ProgramRun& run) {
    std::vector<std::string> changes;
    for (const Event& event : EventsNamed(run.events, "palette-changed"))
        changes.push_back(event.Text("change"));
    return changes;
}

std::size_t CountOf(const std::vector<std::string>& names, const std::string& name) {
    return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
}

// The answers of the is-visible messages.
std::vector<std::int64_t> VisibleAnswers(const ProgramRun& run) {
    std::vector<std::int64_t> answers;
    for (const Event& event : EventsNamed(run.events, "palette-message-handled")) {
        if (event.Number("message") == 7)
            answers.push_back(event.Number("visible"));
    }
    return answers;
}

// Where the n-th (from 0) event named `name` stands in the transcript.
std::size_t IndexOfNth(const ProgramRun& run, const std::string& name, std::size_t n) {
    for (std::size_t i = 0; i < run.events.size(); ++i) {
        if (run.events[i].Name() == name && n-- == 0)
            return i;
    }
    return run.events.size();
}

TEST_F(WorkbenchProgram, ThePaletteOpensFromTheMenuAnswersWhetherItIsVisibleAndTogglesAway) {
    const ProgramRun run =
        Start({}, "menu Open toolbar\npalette message 7\npalette message 2\npalette message 7\n"
                  "palette message 3\npalette message 7\nmenu KAVELO toolbar\n"
                  "palette message 7\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PaletteChanges(run),
              std::vector<std::string>({"created", "event-processing-begun", "shown", "hidden", "shown",
                                        "hidden", "event-processing-ended", "destroyed"}));
    EXPECT_EQ(VisibleAnswers(run), std::vector<std::int64_t>({1, 0, 1, 0}));
    EXPECT_EQ(run.Numbers("palette-message-handled", "result"), std::vector<std::int64_t>(6, 0));
    for (const Event& message : EventsNamed(run.events, "palette-message"))
        EXPECT_EQ(message.Text("refId"), "0x8D0ACB8B");
    EXPECT_NE(run.out.find("│ [1] export (cloud with arrow)   [2] live view (globe) │\n"
                           "│ shown, enabled "),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Palette message 7 (is it visible?) answered 0; visible: 0."), std::string::npos);
    EXPECT_EQ(EventsNamed(run.events, "garbage-collected").size(), 0u) << "nothing was marked disposable";
}

TEST_F(WorkbenchProgram, ThePalettesButtonsOpenTheLiveViewAndRunOneExport) {
    // Not linked, the export asks to link first: "Cancel" ends it.
    const ProgramRun run = Start({}, "menu Open toolbar\npalette click 2\nanswer 2\npalette click 1\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto launched = LaunchedUrls(run);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_TRUE(EndsWith(launched[0], "/?uploadRealtime=true")) << launched[0];
    EXPECT_EQ(launched[0].find("&imageId="), std::string::npos);
    EXPECT_EQ(run.Numbers("dialog-opened", "resId"), std::vector<std::int64_t>({32520}));
    EXPECT_EQ(run.Numbers("dialog-closed", "response"), std::vector<std::int64_t>({2}));
    EXPECT_EQ(run.Numbers("palette-click", "item"), std::vector<std::int64_t>({2, 1}));
    EXPECT_EQ(EventsNamed(run.events, "palette-refused").size(), 0u);
    EXPECT_LT(IndexOfNth(run, "palette-click", 0), run.IndexOf("browser-launched"));
    EXPECT_LT(IndexOfNth(run, "palette-click", 1), run.IndexOf("dialog-opened"));
}

TEST_F(WorkbenchProgram, ARefusedClickIsToldAndTheScriptGoesOn) {
    const ProgramRun run = Start(
        {}, "palette click 1\nmenu Open toolbar\npalette message 4\npalette click 2\npalette message 2\n"
            "palette close\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(EventsNamed(run.events, "palette-refused").size(), 3u);
    EXPECT_EQ(EventsNamed(run.events, "browser-launched").size(), 0u) << "a disabled button takes no click";
    EXPECT_NE(run.out.find("The palette took no click on item 1."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("The palette took no click on item 2."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("No palette took the close request."), std::string::npos) << run.out;
    EXPECT_EQ(CountOf(PaletteChanges(run), "destroyed"), 1u) << "only the unload deletes it";
}

TEST_F(WorkbenchProgram, PaletteCommandsWithoutARegisteredWindowAreScriptErrors) {
    for (const char* command : {"palette click 1", "palette close", "palette message 6"}) {
        const ProgramRun run = Start({"--fail", "61=0x81060001"}, std::string(command) + "\n");
        EXPECT_EQ(run.exitCode, 2) << command;
        EXPECT_EQ(run.err.substr(run.err.find(":1: ")), ":1: the module has no modeless window registered\n")
            << run.err;
    }
}

TEST_F(WorkbenchProgram, AUserClosedPaletteWaitsForTheCollectorWhileItIsHeld) {
    const ProgramRun run = Start({}, "menu Open toolbar\ngc hold\npalette close\nmenu Open toolbar\n"
                                     "palette show-state\nmenu KAVELO toolbar\ngc run\ngc release\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto changes = PaletteChanges(run);
    EXPECT_EQ(CountOf(changes, "created"), 1u) << "\"Open toolbar\" does nothing while the palette waits";
    EXPECT_EQ(CountOf(changes, "destroyed"), 1u);
    EXPECT_EQ(changes.back(), "destroyed");
    // The toggle deletes it, not the collector.
    const auto destroyed = std::find_if(run.events.begin(), run.events.end(), [](const Event& event) {
        return event.Name() == "palette-changed" && event.Text("change") == "destroyed";
    });
    EXPECT_LT(IndexOfNth(run, "menu-picked", 2), static_cast<std::size_t>(destroyed - run.events.begin()));
    EXPECT_LT(static_cast<std::size_t>(destroyed - run.events.begin()), run.IndexOf("garbage-collected"));
    const auto collected = EventsNamed(run.events, "garbage-collected");
    ASSERT_EQ(collected.size(), 1u) << "the held collector never ran on its own";
    EXPECT_EQ(collected[0].Number("count"), 0);
    EXPECT_EQ(collected[0].Text("trigger"), "explicit");
    EXPECT_NE(run.out.find("hidden, enabled"), std::string::npos) << "show-state lists it while it waits";
    EXPECT_NE(run.out.find("held, 1 object(s) waiting"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("The garbage collector deleted 0 object(s)."), std::string::npos) << run.out;
}

TEST_F(WorkbenchProgram, AUserClosedPaletteIsCollectedWhenIdleAndOpensAfresh) {
    const ProgramRun run =
        Start({}, "menu Open toolbar\npalette close\nmenu Open toolbar\npalette message 7\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PaletteChanges(run), std::vector<std::string>({"created", "event-processing-begun", "shown",
                                                             "hidden", "event-processing-ended", "destroyed",
                                                             "created", "event-processing-begun", "shown",
                                                             "event-processing-ended", "destroyed"}));
    const auto collected = EventsNamed(run.events, "garbage-collected");
    ASSERT_EQ(collected.size(), 1u);
    EXPECT_EQ(collected[0].Number("count"), 1);
    EXPECT_EQ(collected[0].Text("trigger"), "idle");
    EXPECT_LT(run.IndexOf("garbage-collected"), IndexOfNth(run, "menu-picked", 1));
    EXPECT_EQ(VisibleAnswers(run), std::vector<std::int64_t>({1}));
}

TEST_F(WorkbenchProgram, QuittingWithAnOpenPaletteIsClean) {
    for (const char* quit : {"quit", "unload --no-shutdown"}) {
        const ProgramRun run = Start({}, std::string("menu Open toolbar\n") + quit + "\n");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(PaletteChanges(run).back(), "destroyed") << quit;
        const auto destroyed = IndexOfNth(run, "palette-changed", PaletteChanges(run).size() - 1);
        EXPECT_LT(destroyed, run.IndexOf("module-unloaded")) << quit;
        EXPECT_FALSE(run.events.back().Flag("resident")) << quit;
        EXPECT_EQ(run.err.find("DG:"), std::string::npos) << run.err;
    }
}

} // namespace
