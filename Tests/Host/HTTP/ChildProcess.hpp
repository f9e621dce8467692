#pragma once

// A helper program the tests start (a proxy, a slow link), with a folder of its own for its files and
// its output, stopped by its process id when the test is done with it.

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/types.h>

namespace HttpTest {

class ChildProcess {
public:
    // A fresh temporary folder, for the files the program needs before it starts.
    static std::filesystem::path MakeFolder();

    // Starts the program (arguments[0], a path) with its output in folder/output, then waits up to
    // 10 s for ready() to hold. Takes the folder over: it goes when the process does. Throws with
    // the program's output when it ends or does not get ready.
    ChildProcess(std::filesystem::path folder, const std::vector<std::string>& arguments,
                 const std::function<bool()>& ready);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    const std::filesystem::path& Folder() const { return folder; }
    std::string Output() const;

private:
    void Stop() noexcept;

    std::filesystem::path folder;
    pid_t pid = -1;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace HttpTest
