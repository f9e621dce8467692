#include "App.hpp"
#include "Platform.hpp"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const Workbench::ProgramStreams streams{std::cin, Workbench::Platform::StandardInputIsTerminal(),
                                            std::cout, std::cerr};
    return Workbench::RunWorkbench(arguments, streams, Workbench::DefaultModulePath());
}
