#include "ChildProcess.hpp"

#include <chrono>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

extern char** environ;

namespace HttpTest {

std::filesystem::path ChildProcess::MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavelo-helper-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot make a folder for a helper program");
    }
    return pattern;
}

ChildProcess::ChildProcess(std::filesystem::path programFolder, const std::vector<std::string>& arguments,
                           const std::function<bool()>& ready)
    : folder(std::move(programFolder)) {
    const std::string output = (folder / "output").string();
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid = -1;
        Stop();
        throw std::system_error(spawned, std::generic_category(), "cannot start " + arguments[0]);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready()) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
        }
        if (pid == -1 || std::chrono::steady_clock::now() > deadline) {
            const std::string said = Output();
            Stop();
            throw std::runtime_error(arguments[0] + " did not get ready: " + said);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ChildProcess::~ChildProcess() {
    Stop();
}

void ChildProcess::Stop() noexcept {
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string ChildProcess::Output() const {
    return ReadFile(folder / "output");
}

} // namespace HttpTest
