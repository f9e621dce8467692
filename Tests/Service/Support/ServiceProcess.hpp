#pragma once

#include "ChildProgram.hpp"

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavelo::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::filesystem::path ServiceBinary();
using Testing::ReadFile;

struct Credentials {
    std::string user;
    std::string password;
};

// The account and password in what "kavelo-service" printed, when it made one.
std::optional<Credentials> PrintedAccount(const std::string& output);

// The real kavelo-service as a child process on a free loopback port, with `dataDir` as its data
// folder and standard error going to a file beside it. Ends by its process id.
class ServiceProcess {
public:
    explicit ServiceProcess(const std::filesystem::path& dataDir,
                            const std::vector<std::string>& arguments = {});
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    std::uint16_t Port() const { return port_; }
    // The authority's certificate the service printed, or empty when it was given --cert.
    const std::filesystem::path& CaFile() const { return caFile_; }
    // The first account, printed at the first start in a new data folder only.
    const std::optional<Credentials>& FirstAccount() const { return firstAccount_; }
    pid_t Pid() const { return static_cast<pid_t>(child_.Id()); }

    void Signal(int signal);
    // The exit code, or 128 + signal; throws when the process runs past `limit`.
    int Wait(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Whether the process ends within `limit`.
    bool ExitsWithin(std::chrono::milliseconds limit);
    void Kill();
    std::string Log() const;
    // The log once it contains `part` (a request's line comes after its answer), or as it is
    // after a few seconds.
    std::string LogOnceItHas(std::string_view part) const;

private:
    std::filesystem::path logFile_;
    Testing::ChildProgram child_;
    std::uint16_t port_ = 0;
    std::filesystem::path caFile_;
    std::optional<Credentials> firstAccount_;
};

struct RunResult {
    int exitCode = -1;
    std::string output; // standard output and standard error together
};

// Runs kavelo-service with `arguments` to its end.
RunResult RunService(const std::vector<std::string>& arguments);
// "kavelo-service user add `name`" on `dataDir`.
Credentials AddUser(const std::filesystem::path& dataDir, const std::string& name);

} // namespace kavelo::test
