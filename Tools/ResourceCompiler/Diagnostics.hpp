#pragma once

// Where a piece of the resource source came from, and the error that names it.

#include <stdexcept>
#include <string>

namespace ResourceCompiler {

struct Location {
    std::string file;
    int line = 0;
};

// An error in the resource source; its text reads "file:line: message".
class CompileError : public std::runtime_error {
public:
    CompileError(const Location& where, const std::string& message)
        : std::runtime_error(where.file + ":" + std::to_string(where.line) + ": " + message) {}
};

} // namespace ResourceCompiler
