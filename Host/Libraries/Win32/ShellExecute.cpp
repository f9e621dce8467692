#include "Win32/Windows.hpp"

#include "CallObserver.hpp"
#include "GSRootHost.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

extern char** environ;

namespace {

// ShellExecuteW's answers: above 32 for success, else the Windows error.
constexpr std::intptr_t Started = 42;
constexpr std::intptr_t FileNotFound = 2;   // ERROR_FILE_NOT_FOUND
constexpr std::intptr_t NoAssociation = 31; // SE_ERR_NOASSOC: no handler for this verb

HINSTANCE Answer(std::intptr_t code) {
    return reinterpret_cast<HINSTANCE>(code);
}

// Windows compares verbs without regard to case.
bool IsOpenVerb(LPCWSTR operation) {
    if (operation == nullptr) {
        return false;
    }
    constexpr std::u16string_view Open = u"open";
    const std::u16string_view verb(operation);
    if (verb.size() != Open.size()) {
        return false;
    }
    for (std::size_t i = 0; i < Open.size(); ++i) {
        const char16_t unit = verb[i] >= u'A' && verb[i] <= u'Z' ? char16_t(verb[i] - u'A' + u'a') : verb[i];
        if (unit != Open[i]) {
            return false;
        }
    }
    return true;
}

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

// $BROWSER when set, its whole value naming the program (no shell words), else xdg-open. A name
// without a slash is looked up in PATH, as execvp would; that is done here because the child
// may only make async-signal-safe calls.
std::optional<std::string> FindLauncher() {
    const char* browser = std::getenv("BROWSER");
    const std::string name = browser != nullptr && browser[0] != '\0' ? browser : "xdg-open";
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* searchPath = std::getenv("PATH");
    const std::string_view folders = searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string_view folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? std::string(".") : std::string(folder)) + "/" + name;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

void RetryOnInterrupt(auto call) {
    while (call() < 0 && errno == EINTR) {
    }
}

// Runs in the launched program's process before exec; async-signal-safe calls only.
[[noreturn]] void ExecLauncher(char* const* arguments, int reportPipe) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL); // a host that ignores SIGPIPE must not pass that on to the browser
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0 && devNull != STDIN_FILENO) {
        dup2(devNull, STDIN_FILENO);
        close(devNull);
    }
    execve(arguments[0], arguments, environ);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = write(reportPipe, &error, sizeof(error));
    _exit(127);
}

// Starts the program detached: an intermediate child makes a new session, forks the program and
// exits at once, so the program is adopted by init and never becomes our zombie. The report pipe
// closes on exec; an errno arriving on it means exec failed.
bool Launch(const std::string& program, const std::string& url) {
    std::string programCopy = program;
    std::string urlCopy = url;
    char* const arguments[] = {programCopy.data(), urlCopy.data(), nullptr};
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t intermediate = fork();
    if (intermediate == 0) {
        close(report[0]);
        setsid();
        const pid_t launched = fork();
        if (launched == 0) {
            ExecLauncher(arguments, report[1]);
        }
        if (launched < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t written = write(report[1], &error, sizeof(error));
        }
        _exit(0);
    }
    close(report[1]);
    bool started = false;
    if (intermediate > 0) {
        RetryOnInterrupt([&] { return waitpid(intermediate, nullptr, 0); });
        int error = 0;
        ssize_t received = 0;
        RetryOnInterrupt([&] { return received = read(report[0], &error, sizeof(error)); });
        started = received == 0;
    }
    close(report[0]);
    return started;
}

} // namespace

extern "C" HINSTANCE ShellExecuteW(HWND /*window*/, LPCWSTR operation, LPCWSTR file, LPCWSTR /*parameters*/,
                                   LPCWSTR /*directory*/, INT /*showCommand*/) {
    // A Windows call reports failure by its result and never throws into its caller.
    try {
        const std::string url =
            file == nullptr ? std::string() : GS::Host::Utf16ToUtf8(std::u16string_view(file));
        Win32::ReportCall("ShellExecuteW", url);
        if (!IsOpenVerb(operation)) {
            return Answer(NoAssociation);
        }
        // A leading "-" would reach the launcher as an option rather than as the thing to open.
        if (url.empty() || url.front() == '-') {
            return Answer(FileNotFound);
        }
        const std::optional<std::string> launcher = FindLauncher();
        // A launcher that is missing or fails to start is silent, as on Windows.
        return Answer(launcher && Launch(*launcher, url) ? Started : FileNotFound);
    } catch (const std::exception&) {
        return Answer(FileNotFound);
    }
}
