#pragma once

// The whole program behind main(), with its streams passed in.

#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace Workbench {

enum ExitCode : int { ExitSuccess = 0, ExitModuleFailure = 1, ExitUsage = 2 };

struct ProgramStreams {
    std::istream& in;
    bool inIsTerminal;
    std::ostream& out;
    std::ostream& err;
};

// `arguments` without the program name; `defaultModulePath` is used when --module is not given.
int RunWorkbench(std::span<const std::string_view> arguments, const ProgramStreams& streams,
                 const std::string& defaultModulePath);

// KAVELO.apx in the folder of the running program.
std::string DefaultModulePath();

} // namespace Workbench
