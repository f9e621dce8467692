#include "ServiceProcess.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kavelo::test {

namespace {

constexpr std::string_view kListening = "listening on https://";
constexpr std::string_view kAuthority = "CA certificate: ";
constexpr std::string_view kAccount = "account ";
constexpr std::string_view kPassword = ", password ";

std::vector<char*> Argv(std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return argv;
}

// Starts the service with its standard output on a pipe (returned) and standard error to `logFile`.
pid_t Spawn(std::vector<std::string> arguments, const std::filesystem::path& logFile, int& readEnd) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string binary = ServiceBinary().string();
    arguments.insert(arguments.begin(), binary);
    std::vector<char*> argv = Argv(arguments);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (error != 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("cannot start " + binary);
    }
    readEnd = pipeEnds[0];
    return pid;
}

// The rest of the line that starts with `prefix`, once the line is complete.
std::optional<std::string> Line(const std::string& text, std::string_view prefix) {
    const auto start = text.find(prefix);
    const auto end = start == std::string::npos ? start : text.find('\n', start);
    if (end == std::string::npos)
        return std::nullopt;
    return text.substr(start + prefix.size(), end - start - prefix.size());
}

// Appends what `fd` has to `text`, waiting at most `limit`; false at its end or on time-out.
bool ReadMore(int fd, std::string& text, std::chrono::milliseconds limit) {
    pollfd ready{fd, POLLIN, 0};
    char chunk[4096];
    if (::poll(&ready, 1, static_cast<int>(limit.count())) != 1)
        return false;
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0)
        return false;
    text.append(chunk, static_cast<std::size_t>(got));
    return true;
}

} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavelo-service-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::filesystem::path ServiceBinary() {
    const char* folder = std::getenv("KAVELO_BIN_DIR");
    if (!folder)
        throw std::runtime_error("KAVELO_BIN_DIR is not set");
    return std::filesystem::path(folder) / "kavelo-service";
}

ServiceProcess::ServiceProcess(const std::filesystem::path& dataDir,
                               const std::vector<std::string>& arguments)
    : logFile_(dataDir.string() + ".stderr.log") {
    std::vector<std::string> all = {"--data-dir", dataDir.string(), "--listen", "127.0.0.1:0"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    pid_ = Spawn(all, logFile_, stdout_);

    std::string output;
    std::optional<std::string> url;
    while (!(url = Line(output, kListening))) {
        if (!ReadMore(stdout_, output, std::chrono::seconds(20))) {
            Kill();
            throw std::runtime_error("kavelo-service did not start; it said:\n" + output + Log());
        }
    }
    port_ = static_cast<std::uint16_t>(std::stoi(url->substr(url->rfind(':') + 1)));
    caFile_ = Line(output, kAuthority).value_or("");
    firstAccount_ = PrintedAccount(output);
}

std::optional<Credentials> PrintedAccount(const std::string& output) {
    const std::optional<std::string> line = Line(output, kAccount);
    const auto comma = line ? line->find(kPassword) : std::string::npos;
    if (comma == std::string::npos)
        return std::nullopt;
    return Credentials{line->substr(0, comma), line->substr(comma + kPassword.size())};
}

ServiceProcess::~ServiceProcess() {
    Kill();
    ::close(stdout_);
}

void ServiceProcess::Signal(int signal) const {
    if (!status_)
        ::kill(pid_, signal);
}

bool ServiceProcess::ExitsWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!status_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int ServiceProcess::Wait(std::chrono::milliseconds limit) {
    if (!ExitsWithin(limit))
        throw std::runtime_error("kavelo-service did not exit in time");
    return *status_;
}

void ServiceProcess::Kill() {
    if (status_)
        return;
    ::kill(pid_, SIGKILL);
    Wait();
}

std::string ServiceProcess::Log() const {
    return ReadFileText(logFile_);
}

std::string ServiceProcess::LogOnceItHas(std::string_view part) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string log = Log();
    while (log.find(part) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        log = Log();
    }
    return log;
}

RunResult RunService(const std::vector<std::string>& arguments) {
    const TempDir scratch;
    const std::filesystem::path errors = scratch.Path() / "stderr";
    int output = -1;
    const pid_t pid = Spawn(arguments, errors, output);
    std::string text;
    while (ReadMore(output, text, std::chrono::seconds(20))) {
    }
    ::close(output);
    ::kill(pid, SIGKILL); // in case it did not end by itself
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), text + ReadFileText(errors)};
}

Credentials AddUser(const std::filesystem::path& dataDir, const std::string& name) {
    const RunResult result = RunService({"user", "add", name, "--data-dir", dataDir.string()});
    const std::optional<Credentials> account = PrintedAccount(result.output);
    if (result.exitCode != 0 || !account)
        throw std::runtime_error("user add failed: " + result.output);
    return *account;
}

} // namespace kavelo::test
