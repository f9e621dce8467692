#include "Win32/Windows.hpp"

#include "CallRecorder.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

constexpr std::intptr_t Started = 42;
constexpr std::intptr_t FileNotFound = 2;
constexpr std::intptr_t NoAssociation = 31;

// Stands in for a browser: writes how it was started (argument count, standard input, session,
// then the first argument exactly) to a file of its own, made complete by a rename. When a release
// file is named it then waits for it, so the test can see it still running.
constexpr const char* RecorderScript = R"(#!/bin/sh
PATH=/usr/bin:/bin # the tests narrow PATH to find the launcher
record="$KAVELO_LAUNCH_RECORDS/launch.$$"
{
    printf '%s\n' "$#"
    readlink /proc/$$/fd/0
    sed 's/.*) //' /proc/$$/stat | cut -d' ' -f4
    printf '%s' "$1"
} > "$record.tmp" && mv "$record.tmp" "$record"
if [ -n "$KAVELO_LAUNCH_RELEASE" ]; then
    tries=0
    while [ ! -e "$KAVELO_LAUNCH_RELEASE" ] && [ $tries -lt 200 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    touch "$record.done"
fi
)";

struct Launch {
    int argumentCount = 0;
    std::string standardInput;
    long session = 0;
    std::string url;
};

// Sets an environment variable for the scope of a test and restores it after.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* variableName, const std::optional<std::string>& value)
        : name(variableName) {
        if (const char* old = std::getenv(name)) {
            previous = old;
        }
        Set(value);
    }
    ~ScopedEnvironment() { Set(previous); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

    const char* name;
    std::optional<std::string> previous;
};

class ShellExecuteWTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(testing::TempDir()) / ("kavelo-shell-" + std::to_string(getpid()));
        fs::remove_all(folder);
        records = folder / "records";
        fs::create_directories(records);
        recorder = InstallRecorder(folder / "bin", "recorder");
        recordsVariable.emplace("KAVELO_LAUNCH_RECORDS", records.string());
    }

    void TearDown() override {
        recordsVariable.reset();
        fs::remove_all(folder);
    }

    static fs::path InstallRecorder(const fs::path& where, const std::string& name) {
        fs::create_directories(where);
        const fs::path script = where / name;
        std::ofstream(script) << RecorderScript;
        fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
        return script;
    }

    std::vector<fs::path> CompleteRecords() const {
        std::vector<fs::path> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(records)) {
            const std::string name = entry.path().filename().string();
            constexpr std::string_view Prefix = "launch.";
            if (name.size() > Prefix.size() && name.starts_with(Prefix) &&
                name.find_first_not_of("0123456789", Prefix.size()) == std::string::npos) {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    // Waits, within a bound, for count launches to have written their records.
    std::vector<Launch> WaitForLaunches(std::size_t count) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (CompleteRecords().size() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::vector<Launch> launches;
        for (const fs::path& path : CompleteRecords()) {
            std::ifstream file(path, std::ios::binary);
            Launch launch;
            std::string line;
            std::getline(file, line);
            launch.argumentCount = std::stoi(line);
            std::getline(file, launch.standardInput);
            std::getline(file, line);
            launch.session = std::stol(line);
            launch.url.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            launches.push_back(launch);
        }
        return launches;
    }

    std::vector<std::string> LaunchedUrls(std::size_t count) const {
        std::vector<std::string> urls;
        for (const Launch& launch : WaitForLaunches(count)) {
            EXPECT_EQ(launch.argumentCount, 1) << launch.url;
            urls.push_back(launch.url);
        }
        return urls;
    }

    fs::path folder;
    fs::path records;
    fs::path recorder;
    std::optional<ScopedEnvironment> recordsVariable;
};

std::intptr_t Open(const std::u16string& file, const char16_t* verb = u"open") {
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteW(nullptr, verb, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

// The add-on's own way: UTF-8 through MultiByteToWideChar.
std::intptr_t OpenUtf8(const std::string& url) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, url.c_str(), -1, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, url.c_str(), -1, units.data(), length);
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteW(nullptr, u"open", units.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

TEST_F(ShellExecuteWTest, StartsTheBrowserDetachedWithTheUrlAsItsOneArgument) {
    const ScopedEnvironment browser("BROWSER", recorder.string());
    const std::string url = "https://localhost:8443/login?eid=0f8fad5b-d9cb-469f-a165-70867728950e";
    ASSERT_EQ(OpenUtf8(url), Started);
    const std::vector<Launch> launches = WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].argumentCount, 1);
    EXPECT_EQ(launches[0].url, url);
    EXPECT_EQ(launches[0].standardInput, "/dev/null");
    EXPECT_NE(launches[0].session, static_cast<long>(getsid(0)));
    // The intermediate process has been reaped and the browser belongs to init: nothing to wait for.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(ShellExecuteWTest, NonAsciiUrlsArriveAsTheSameBytes) {
    const ScopedEnvironment browser("BROWSER", recorder.string());
    const std::string twoByte = "https://localhost:8443/?imageId=caf\xC3\xA9";
    const std::string threeByte = "https://localhost:8443/?imageId=\xE2\x82\xAC";
    const std::string fourByte = "https://localhost:8443/?imageId=\xF0\x9F\x98\x80";
    EXPECT_EQ(OpenUtf8(twoByte), Started);
    EXPECT_EQ(OpenUtf8(threeByte), Started);
    EXPECT_EQ(Open(u"https://localhost:8443/?imageId=\U0001F600"), Started);
    EXPECT_THAT(LaunchedUrls(3), UnorderedElementsAre(twoByte, threeByte, fourByte));
}

TEST_F(ShellExecuteWTest, ShellCharactersArriveUnchangedAndRunNothing) {
    const ScopedEnvironment browser("BROWSER", recorder.string());
    const fs::path marker = folder / "ran";
    const std::string url = "https://localhost:8443/?a=1&b=2; touch " + marker.string() + " $(touch " +
                            marker.string() + ") `touch " + marker.string() +
                            "` 'single' \"double\" \\ | > < *";
    ASSERT_EQ(OpenUtf8(url), Started);
    EXPECT_THAT(LaunchedUrls(1), ElementsAre(url));
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(ShellExecuteWTest, BrowserPathWithBlanksNamesOneProgram) {
    const fs::path spaced = InstallRecorder(folder / "my browser; $(x)", "recorder");
    const ScopedEnvironment browser("BROWSER", spaced.string());
    ASSERT_EQ(Open(u"https://localhost:8443/"), Started);
    EXPECT_THAT(LaunchedUrls(1), ElementsAre("https://localhost:8443/"));
}

TEST_F(ShellExecuteWTest, BrowserNameAloneIsLookedUpInPath) {
    const ScopedEnvironment browser("BROWSER", "recorder");
    const ScopedEnvironment path("PATH",
                                 (folder / "missing").string() + ":" + recorder.parent_path().string());
    ASSERT_EQ(Open(u"https://localhost:8443/a"), Started);
    EXPECT_THAT(LaunchedUrls(1), ElementsAre("https://localhost:8443/a"));
}

TEST_F(ShellExecuteWTest, WithoutBrowserXdgOpenIsStarted) {
    const fs::path xdgOpen = InstallRecorder(folder / "xdg", "xdg-open");
    const ScopedEnvironment browser("BROWSER", std::nullopt);
    const ScopedEnvironment path("PATH", xdgOpen.parent_path().string());
    ASSERT_EQ(Open(u"https://localhost:8443/b"), Started);
    EXPECT_THAT(LaunchedUrls(1), ElementsAre("https://localhost:8443/b"));
    const ScopedEnvironment emptyBrowser("BROWSER", "");
    ASSERT_EQ(Open(u"https://localhost:8443/c"), Started);
    EXPECT_THAT(LaunchedUrls(2),
                UnorderedElementsAre("https://localhost:8443/b", "https://localhost:8443/c"));
}

TEST_F(ShellExecuteWTest, DoesNotWaitForTheBrowser) {
    const ScopedEnvironment browser("BROWSER", recorder.string());
    const fs::path release = folder / "release";
    const ScopedEnvironment releaseVariable("KAVELO_LAUNCH_RELEASE", release.string());
    ASSERT_EQ(Open(u"https://localhost:8443/live"), Started);
    ASSERT_EQ(WaitForLaunches(1).size(), 1u);
    const fs::path done = CompleteRecords().front().string() + ".done";
    EXPECT_FALSE(fs::exists(done)); // still running after ShellExecuteW returned
    std::ofstream(release).put('x');
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(done) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(fs::exists(done));
}

TEST_F(ShellExecuteWTest, MissingLauncherFailsSilently) {
    fs::create_directories(folder / "empty");
    const fs::path notExecutable = folder / "plain-file";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    testing::internal::CaptureStderr();
    {
        const ScopedEnvironment browser("BROWSER", (folder / "no-such-browser").string());
        EXPECT_EQ(Open(u"https://localhost:8443/"), FileNotFound);
    }
    {
        const ScopedEnvironment browser("BROWSER", notExecutable.string());
        EXPECT_EQ(Open(u"https://localhost:8443/"), FileNotFound);
    }
    {
        const ScopedEnvironment browser("BROWSER", std::nullopt);
        const ScopedEnvironment path("PATH", (folder / "empty").string());
        EXPECT_EQ(Open(u"https://localhost:8443/"), FileNotFound);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_THAT(CompleteRecords(), IsEmpty());
}

TEST_F(ShellExecuteWTest, OnlyTheOpenVerbLaunches) {
    const ScopedEnvironment browser("BROWSER", recorder.string());
    EXPECT_EQ(Open(u"https://localhost:8443/1", u"edit"), NoAssociation);
    EXPECT_EQ(Open(u"https://localhost:8443/2", u"opened"), NoAssociation);
    EXPECT_EQ(Open(u"https://localhost:8443/3", nullptr), NoAssociation);
    EXPECT_EQ(Open(u"https://localhost:8443/4", u"OPEN"), Started); // verbs ignore case, as on Windows
    EXPECT_THAT(LaunchedUrls(1), ElementsAre("https://localhost:8443/4"));
}

TEST_F(ShellExecuteWTest, EmptyOrOptionLikeFileIsRefused) {
    const ScopedEnvironment browser("BROWSER", recorder.string());
    EXPECT_EQ(Open(u""), FileNotFound);
    EXPECT_EQ(Open(u"--new-window"), FileNotFound);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(ShellExecuteW(nullptr, u"open", nullptr, nullptr, nullptr, 1)),
              FileNotFound);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_THAT(CompleteRecords(), IsEmpty());
}

TEST_F(ShellExecuteWTest, TellsTheObserverOfEveryCall) {
    const ScopedEnvironment browser("BROWSER", (folder / "no-such-browser").string());
    CallRecorder calls;
    Open(u"https://localhost:8443/?imageId=\u00e9");
    Open(u"https://localhost:8443/x", u"print");
    EXPECT_EQ(calls.calls,
              (std::vector<CallRecorder::Call>{{"ShellExecuteW", "https://localhost:8443/?imageId=\xC3\xA9"},
                                               {"ShellExecuteW", "https://localhost:8443/x"}}));
}

} // namespace
