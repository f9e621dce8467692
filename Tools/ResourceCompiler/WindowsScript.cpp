#include "WindowsScript.hpp"

#include <stdexcept>

namespace ResourceCompiler {

namespace {

std::string TypeName(std::uint32_t type) {
    std::string name;
    for (int shift = 24; shift >= 0; shift -= 8)
        name += static_cast<char>(type >> shift & 0xFF);
    return name;
}

// A quoted .rc string: the script's own quotes doubled, backslashes escaped.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += "\"\"";
        else if (c == '\\')
            quoted += "\\\\";
        else
            quoted += c;
    }
    return quoted + "\"";
}

} // namespace

WindowsScript BuildWindowsScript(const std::vector<CompiledResource>& resources,
                                 const std::filesystem::path& dataDir) {
    static_assert(LanguageEnglishUS == 0x0409);
    WindowsScript script;
    script.text = "// Written by kavelo-rc.\n";
    for (const CompiledResource& resource : resources) {
        const std::string type = TypeName(resource.type);
        const std::string key = resource.name.empty() ? std::to_string(resource.id) : Quoted(resource.name);
        const std::string fileName =
            type + "-" + (resource.name.empty() ? std::to_string(resource.id) : resource.name) + ".bin";
        if (fileName.find_first_of("/\\") != std::string::npos)
            throw std::invalid_argument("resource name '" + resource.name + "' cannot name a file");
        const std::filesystem::path file = dataDir / fileName;
        // The language statement before each one also keeps windres from joining a file name and
        // the next resource's quoted name into one string.
        script.text +=
            "LANGUAGE 0x09, 0x01\n" + key + " " + type + " " + Quoted(file.generic_string()) + "\n";
        script.files.push_back(file);
    }
    return script;
}

} // namespace ResourceCompiler
