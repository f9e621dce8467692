#include "ServiceProcess.hpp"

#include <signal.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace kavelo::test {

namespace {

constexpr std::string_view kListening = "listening on https://";
constexpr std::string_view kAuthority = "CA certificate: ";
constexpr std::string_view kAccount = "account ";
constexpr std::string_view kPassword = ", password ";

std::vector<std::string> Arguments(const std::filesystem::path& dataDir,
                                   const std::vector<std::string>& extra) {
    std::vector<std::string> all = {"--data-dir", dataDir.string(), "--listen", "127.0.0.1:0"};
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
}

// The rest of the line that starts with `prefix`, once the line is complete.
std::optional<std::string> Line(const std::string& text, std::string_view prefix) {
    const auto start = text.find(prefix);
    const auto end = start == std::string::npos ? start : text.find('\n', start);
    if (end == std::string::npos)
        return std::nullopt;
    return text.substr(start + prefix.size(), end - start - prefix.size());
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

std::filesystem::path ServiceBinary() {
    const char* folder = std::getenv("KAVELO_BIN_DIR");
    if (!folder)
        throw std::runtime_error("KAVELO_BIN_DIR is not set");
    return std::filesystem::path(folder) / "kavelo-service";
}

ServiceProcess::ServiceProcess(const std::filesystem::path& dataDir,
                               const std::vector<std::string>& arguments)
    : logFile_(dataDir.string() + ".stderr.log"),
      child_(ServiceBinary(), Arguments(dataDir, arguments), {{}, {}, logFile_}) {
    std::string output;
    std::optional<std::string> url;
    while (!(url = Line(output, kListening))) {
        if (!child_.Read(output, std::chrono::seconds(20))) {
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

void ServiceProcess::Signal(int signal) {
    if (!child_.WaitFor(std::chrono::milliseconds(0)))
        ::kill(Pid(), signal);
}

bool ServiceProcess::ExitsWithin(std::chrono::milliseconds limit) {
    return child_.WaitFor(limit).has_value();
}

int ServiceProcess::Wait(std::chrono::milliseconds limit) {
    if (const std::optional<int> code = child_.WaitFor(limit))
        return *code;
    throw std::runtime_error("kavelo-service did not exit in time");
}

void ServiceProcess::Kill() {
    child_.Kill();
}

std::string ServiceProcess::Log() const {
    return ReadFile(logFile_);
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
    Testing::ChildProgram child(ServiceBinary(), arguments, {{}, {}, errors});
    std::string text;
    while (child.Read(text, std::chrono::seconds(20))) {
    }
    child.Kill(); // in case it did not end by itself
    return {child.Wait(), text + ReadFile(errors)};
}

Credentials AddUser(const std::filesystem::path& dataDir, const std::string& name) {
    const RunResult result = RunService({"user", "add", name, "--data-dir", dataDir.string()});
    const std::optional<Credentials> account = PrintedAccount(result.output);
    if (result.exitCode != 0 || !account)
        throw std::runtime_error("user add failed: " + result.output);
    return *account;
}

} // namespace kavelo::test
