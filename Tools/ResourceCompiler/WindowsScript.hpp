#pragma once

// The compiled resources as a script for the Windows resource compiler, which links them into a PE
// module's resource directory: each under its four-character type name, its number (or its name),
// in language 1033, so that the module's own resource calls find them.

#include "Container.hpp"

#include <filesystem>
#include <string>
#include <vector>

namespace ResourceCompiler {

struct WindowsScript {
    std::string text;                         // the .rc script
    std::vector<std::filesystem::path> files; // per resource, where the script expects its bytes
};

// dataDir is where the resources' bytes are to be written, one file each, named in the script.
WindowsScript BuildWindowsScript(const std::vector<CompiledResource>& resources,
                                 const std::filesystem::path& dataDir);

} // namespace ResourceCompiler
