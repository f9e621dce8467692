// Writes the resource container that the test module carries: well-formed string lists, a
// malformed one, and one in another language block only. With a second argument, also the same
// resources as a script for the Windows resource compiler, each one's bytes in a file beside it.
//   RSMakeTestBlob OUTPUT [WINDOWS_SCRIPT]

#include "TestImages.hpp"
#include "TestModuleResources.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using namespace RSTest;

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::cerr << "RSMakeTestBlob: cannot write " << path.string() << '\n';
        return false;
    }
    return true;
}

// Unlike a module's compiled resources, these are not all in language 1033: each keeps its own.
bool WriteWindowsScript(const ContainerBuilder& resources, const std::filesystem::path& script) {
    std::string text;
    for (const ContainerBuilder::Entry& entry : resources.Entries()) {
        std::string type;
        for (int shift = 24; shift >= 0; shift -= 8)
            type += static_cast<char>(entry.type >> shift & 0xFF);
        const std::string key = entry.name.empty() ? std::to_string(entry.id) : entry.name;
        const std::string file = type + "-" + key + "-" + std::to_string(entry.language) + ".bin";
        if (!WriteFile(script.parent_path() / file, entry.data))
            return false;
        text += "LANGUAGE " + std::to_string(entry.language & 0x3FF) + ", " +
                std::to_string(entry.language >> 10) + "\n" + (entry.name.empty() ? key : '"' + key + '"') +
                " " + type + " \"" + file + "\"\n";
    }
    return WriteFile(script, Text(text));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: RSMakeTestBlob OUTPUT [WINDOWS_SCRIPT]\n";
        return 2;
    }
    Bytes malformed = StringList({"ab"});
    PokeLE(malformed, 0, 10, 4); // counts more bytes than follow

    ContainerBuilder resources;
    resources.Add(Code("STRS"), TestModule::Strings, StringList(TestModule::StringItems))
        .Add(Code("STRS"), TestModule::Malformed, malformed)
        .Add(Code("STRS"), TestModule::FrenchOnly, StringList({"Bonjour"}), 1036)
        .AddNamed(Code("GICN"), "I1&96", Text("picture"));
    if (!WriteFile(argv[1], resources.Build()))
        return 1;
    return argc == 3 && !WriteWindowsScript(resources, argv[2]) ? 1 : 0;
}
