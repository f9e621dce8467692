#pragma once

// A program a test starts, the same way on every platform: its standard streams on files or a pipe
// to the test, this process's environment with some variables set, ended by its process id.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Testing {

// Where the child's standard streams go. An empty input is this process's own; an empty output is
// a pipe this one reads; empty errors are this process's own, and errors on the output's file
// share it.
struct Streams {
    std::filesystem::path input;
    std::filesystem::path output;
    std::filesystem::path errors;
};

class ChildProgram {
public:
    // `arguments` and `environment` ("NAME=value", in place of this process's variable of the name)
    // in UTF-8. Throws std::system_error when the program cannot be started.
    ChildProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const Streams& streams = {}, const std::vector<std::string>& environment = {});
    // Kills it if it still runs.
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    std::int64_t Id() const;

    // The next line of the piped output without its line end, or nothing when the output ended first.
    std::optional<std::string> ReadLine();
    // Appends what the piped output has to `text`, waiting up to `limit` for some: false when the
    // output ended or nothing came.
    bool Read(std::string& text, std::chrono::milliseconds limit);

    // Until `ready` holds. Throws std::runtime_error, with what the program wrote to its output
    // file, when it ends first or `limit` passes.
    void AwaitReady(const std::function<bool()>& ready, std::chrono::milliseconds limit);
    // The exit code (on POSIX 128 + the signal that ended it), or nothing while it still runs after
    // `limit`.
    std::optional<int> WaitFor(std::chrono::milliseconds limit);
    int Wait();
    // Kills it, as a crash would, and waits for it: true when it was still running to be killed.
    bool Kill();

private:
    bool ReadByte(char& byte);
    // The exit code once it has ended; waits for the end when `block`.
    std::optional<int> Reap(bool block);

    std::filesystem::path program;
    std::filesystem::path outputFile;
    std::intptr_t process = -1; // POSIX: the pid; Windows: the process handle
    std::intptr_t output = -1;  // the pipe's read end, when the output is piped
    std::optional<int> exitCode;
};

// The whole of a file, as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

} // namespace Testing
