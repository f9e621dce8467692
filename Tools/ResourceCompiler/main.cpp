// kavelo-rc: compiles preprocessed resource source into the container of the module's resource
// section.
//
//   kavelo-rc [--icons DIR] [--rc SCRIPT] -o OUTPUT INPUT
//
// Icons are read from DIR (default: INPUT's folder). With --rc the same resources are also written
// as a Windows resource script, their bytes in the folder SCRIPT.d. Errors go to standard error as
// "file:line: message" and end the program with status 1; bad arguments end it with status 2.

#include "Compile.hpp"
#include "Container.hpp"
#include "Lexer.hpp"
#include "Parser.hpp"
#include "Validate.hpp"
#include "WindowsScript.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Arguments {
    std::filesystem::path input;
    std::filesystem::path output;
    std::filesystem::path iconDir;
    std::filesystem::path windowsScript;
};

std::optional<Arguments> ParseArguments(int argc, char** argv) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-o" && i + 1 < argc)
            arguments.output = argv[++i];
        else if (argument == "--icons" && i + 1 < argc)
            arguments.iconDir = argv[++i];
        else if (argument == "--rc" && i + 1 < argc)
            arguments.windowsScript = argv[++i];
        else if (!argument.starts_with("-") && arguments.input.empty())
            arguments.input = argument;
        else
            return std::nullopt;
    }
    if (arguments.input.empty() || arguments.output.empty())
        return std::nullopt;
    if (arguments.iconDir.empty())
        arguments.iconDir = arguments.input.parent_path();
    return arguments;
}

std::string ReadSource(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf()))
        throw std::runtime_error("cannot read " + path.string());
    return text.str();
}

// Written beside the target and renamed over it, so a failed run never leaves half a section.
void WriteOutput(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path partial = path.string() + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::filesystem::remove(partial);
            throw std::runtime_error("cannot write " + partial.string());
        }
    }
    std::filesystem::rename(partial, path);
}

void WriteOutput(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    WriteOutput(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The bytes first, so that a script on disk never names a file that is not there.
void WriteWindowsScript(const std::filesystem::path& path,
                        const std::vector<ResourceCompiler::CompiledResource>& resources) {
    const std::filesystem::path dataDir = path.string() + ".d";
    std::filesystem::create_directories(dataDir);
    const ResourceCompiler::WindowsScript script = ResourceCompiler::BuildWindowsScript(resources, dataDir);
    for (std::size_t i = 0; i < resources.size(); ++i)
        WriteOutput(script.files[i], resources[i].data);
    WriteOutput(path, script.text);
}

} // namespace

int main(int argc, char** argv) {
    using namespace ResourceCompiler;
    const std::optional<Arguments> arguments = ParseArguments(argc, argv);
    if (!arguments) {
        std::cerr << "usage: kavelo-rc [--icons DIR] [--rc SCRIPT] -o OUTPUT INPUT\n";
        return 2;
    }
    try {
        const std::vector<Token> tokens = Tokenize(ReadSource(arguments->input), arguments->input.string());
        const ResourceScript script = Parse(tokens);
        Validate(script);
        const std::vector<CompiledResource> resources = Compile(script, arguments->iconDir);
        WriteOutput(arguments->output, BuildContainer(resources));
        if (!arguments->windowsScript.empty())
            WriteWindowsScript(arguments->windowsScript, resources);
        return 0;
    } catch (const CompileError& error) {
        std::cerr << error.what() << '\n';
    } catch (const std::exception& error) {
        std::cerr << "kavelo-rc: " << error.what() << '\n';
    }
    return 1;
}
