// posix_spawn with the standard streams as asked; the environment, and the end, by the pid.

#include "ChildProgram.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

extern char** environ;

namespace Testing {

namespace fs = std::filesystem;

namespace {

std::string_view NameOf(std::string_view variable) {
    return variable.substr(0, variable.find('='));
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Closes the actions on every path.
class Actions {
public:
    Actions() { posix_spawn_file_actions_init(&actions); }
    ~Actions() { posix_spawn_file_actions_destroy(&actions); }
    Actions(const Actions&) = delete;
    Actions& operator=(const Actions&) = delete;

    posix_spawn_file_actions_t* Get() { return &actions; }

private:
    posix_spawn_file_actions_t actions;
};

} // namespace

ChildProgram::ChildProgram(const fs::path& path, const std::vector<std::string>& arguments,
                           const Streams& streams, const std::vector<std::string>& environment)
    : program(path), outputFile(streams.output) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables = environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        bool given = false;
        for (const std::string& added : environment)
            given = given || NameOf(added) == NameOf(*variable);
        if (!given)
            variables.emplace_back(*variable);
    }

    Actions actions;
    constexpr int Writing = O_WRONLY | O_CREAT | O_TRUNC;
    if (!streams.input.empty())
        posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, streams.input.c_str(), O_RDONLY, 0);
    int pipeEnds[2] = {-1, -1};
    if (streams.output.empty()) {
        if (pipe2(pipeEnds, O_CLOEXEC) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe");
        posix_spawn_file_actions_adddup2(actions.Get(), pipeEnds[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(actions.Get(), STDOUT_FILENO, streams.output.c_str(), Writing, 0600);
    }
    if (!streams.errors.empty() && streams.errors == streams.output)
        posix_spawn_file_actions_adddup2(actions.Get(), STDOUT_FILENO, STDERR_FILENO);
    else if (!streams.errors.empty())
        posix_spawn_file_actions_addopen(actions.Get(), STDERR_FILENO, streams.errors.c_str(), Writing, 0600);

    std::vector<char*> argv = Pointers(words);
    std::vector<char*> envp = Pointers(variables);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], actions.Get(), nullptr, argv.data(), envp.data());
    if (pipeEnds[1] != -1)
        close(pipeEnds[1]);
    if (spawned != 0) {
        if (pipeEnds[0] != -1)
            close(pipeEnds[0]);
        throw std::system_error(spawned, std::generic_category(), "cannot start " + program.string());
    }
    process = pid;
    output = pipeEnds[0];
}

ChildProgram::~ChildProgram() {
    Kill();
    if (output != -1)
        close(static_cast<int>(output));
}

std::int64_t ChildProgram::Id() const {
    return process;
}

bool ChildProgram::ReadByte(char& byte) {
    return read(static_cast<int>(output), &byte, 1) == 1;
}

bool ChildProgram::Read(std::string& text, std::chrono::milliseconds limit) {
    pollfd ready{static_cast<int>(output), POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(limit.count())) != 1)
        return false;
    char chunk[4096];
    const ssize_t got = read(static_cast<int>(output), chunk, sizeof chunk);
    if (got <= 0)
        return false;
    text.append(chunk, static_cast<std::size_t>(got));
    return true;
}

std::optional<int> ChildProgram::Reap(bool block) {
    int status = 0;
    if (!exitCode && waitpid(static_cast<pid_t>(process), &status, block ? 0 : WNOHANG) == process)
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exitCode;
}

bool ChildProgram::Kill() {
    if (Reap(false))
        return false;
    kill(static_cast<pid_t>(process), SIGKILL);
    return Reap(true) == 128 + SIGKILL;
}

} // namespace Testing
