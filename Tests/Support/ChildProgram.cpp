#include "ChildProgram.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace Testing {

namespace {

constexpr auto Poll = std::chrono::milliseconds(10);

} // namespace

std::optional<std::string> ChildProgram::ReadLine() {
    std::string line;
    char byte = 0;
    while (ReadByte(byte)) {
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back(); // the line end of a Windows program's text output
            return line;
        }
        line += byte;
    }
    return std::nullopt;
}

void ChildProgram::AwaitReady(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ready()) {
        if (Reap(false) || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(program.string() + " did not get ready: " + ReadFile(outputFile));
        std::this_thread::sleep_for(Poll);
    }
}

std::optional<int> ChildProgram::WaitFor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Reap(false) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(Poll);
    return Reap(false);
}

int ChildProgram::Wait() {
    return *Reap(true);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace Testing
