#include "ProgramRunner.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

extern char** environ;

namespace WorkbenchTest {

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

const bool BrowserLaunchesRecorded = false;

std::vector<std::string> RecordedBrowserLaunches(std::size_t, std::size_t) {
    throw std::logic_error("the host's stand-in makes the browser launches here; nothing records them");
}
const bool ConnectToAvailable = true;
const char* const DataFolderVariable = "XDG_DATA_HOME";
const char* const DataFolderName = "kavelo-workbench";

Finished RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& input, const std::vector<std::string>& environment,
                    const std::filesystem::path& folder) {
    const std::filesystem::path out = folder / "stdout.txt", err = folder / "stderr.txt";
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // A command that opens the browser must never reach a real one from a test.
    std::vector<std::string> variables = environment;
    variables.emplace_back("BROWSER=/bin/true");
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::string_view(*variable).rfind("BROWSER=", 0) != 0)
            variables.emplace_back(*variable);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program.string());
    int status = 0;
    waitpid(pid, &status, 0);
    Finished finished;
    finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    finished.out = ReadFile(out);
    finished.err = ReadFile(err);
    return finished;
}

} // namespace WorkbenchTest
