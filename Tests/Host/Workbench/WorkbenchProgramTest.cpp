// kavelo-workbench on the real KAVELO.apx, run as a separate process with scripts, judged by its
// exit status, its output and its transcript.

#include "TranscriptReader.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using WorkbenchTest::Event;
using WorkbenchTest::EventsNamed;

constexpr std::int64_t APIERR_GENERAL = static_cast<std::int32_t>(0x81060001u);
constexpr std::int64_t APIERR_MEMFULL = static_cast<std::int32_t>(0x81060002u);

fs::path BinDir() {
    const char* dir = std::getenv("KAVELO_BIN_DIR");
    return dir != nullptr ? fs::path(dir) : fs::current_path();
}

std::string ModulePath() {
    return fs::canonical(BinDir() / "KAVELO.apx").string();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
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
        if (!fs::exists(BinDir() / "KAVELO.apx") || !fs::exists(BinDir() / "kavelo-workbench"))
            GTEST_SKIP() << "KAVELO.apx or kavelo-workbench is not built in " << BinDir();
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::path(testing::TempDir()) / (std::string("workbench-") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }

    // Runs the workbench with `arguments` plus a transcript; `script`, when given, becomes a file
    // passed with --script; `input` is its standard input (never a terminal); `environment` adds
    // variables to the workbench's own.
    ProgramRun Start(std::vector<std::string> arguments, const std::optional<std::string>& script,
                     const std::string& input = "", std::vector<std::string> environment = {}) {
        ProgramRun run;
        const fs::path transcript = folder / "transcript.jsonl";
        const fs::path in = folder / "stdin.txt", out = folder / "stdout.txt", err = folder / "stderr.txt";
        WriteFile(in, input);
        if (script) {
            run.scriptPath = folder / "commands.script";
            WriteFile(run.scriptPath, *script);
            arguments.insert(arguments.begin(), {"--script", run.scriptPath.string()});
        }
        arguments.insert(arguments.begin(), {"--transcript", transcript.string()});
        const std::string program = (BinDir() / "kavelo-workbench").string();
        arguments.insert(arguments.begin(), program);

        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        // A command that opens the browser must never reach a real one from a test.
        environment.emplace_back("BROWSER=/bin/true");
        for (char** variable = environ; *variable != nullptr; ++variable) {
            if (std::string_view(*variable).rfind("BROWSER=", 0) != 0)
                environment.emplace_back(*variable);
        }
        std::vector<char*> envp;
        for (std::string& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error("cannot start " + program);
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = ReadFile(out);
        run.err = ReadFile(err);
        run.events = WorkbenchTest::ParseTranscript(ReadFile(transcript));
        return run;
    }

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
    const ProgramRun run =
        Start({}, "menu 32511\nmenu \"export from current view\"\ntoolbar\nmenu Open live connection\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
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
    EXPECT_NE(run.out.find("[alert] Error: APIERR_GENERAL\n[report] 50% of 7, ff\n[report] picked 100\n"),
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

} // namespace
