#include "App.hpp"

#include <iostream>
#include <string_view>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const Workbench::ProgramStreams streams{std::cin, isatty(STDIN_FILENO) == 1, std::cout, std::cerr};
    return Workbench::RunWorkbench(arguments, streams, Workbench::DefaultModulePath());
}
