// Windows hands a program its arguments in UTF-16; the narrow ones main() gets are in the code page,
// which cannot hold every file name. They become UTF-8, the workbench's text, here and only here.

#include "App.hpp"
#include "Platform.hpp"

#include "GSRootHost.hpp"

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> utf8;
    for (int i = 1; i < argc; ++i) {
        bool replaced = false;
        utf8.push_back(GS::Host::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(argv[i])),
                                             0, &replaced));
        if (replaced) { // a name with a lone surrogate would name another file once converted
            std::cerr << "kavelo-workbench: argument " << i << " is not valid UTF-16: " << utf8.back()
                      << '\n';
            return Workbench::ExitUsage;
        }
    }
    const std::vector<std::string_view> arguments(utf8.begin(), utf8.end());
    const Workbench::ProgramStreams streams{std::cin, Workbench::Platform::StandardInputIsTerminal(),
                                            std::cout, std::cerr};
    return Workbench::RunWorkbench(arguments, streams, Workbench::DefaultModulePath());
}
