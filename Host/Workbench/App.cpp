#include "App.hpp"

#include "CommandLoop.hpp"
#include "Options.hpp"

#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>

namespace Workbench {

namespace {

int Drive(const Options& options, const ProgramStreams& streams, const std::string& modulePath) {
    std::ifstream script;
    if (options.scriptPath) {
        script.open(*options.scriptPath);
        if (!script) {
            streams.err << "kavelo-workbench: cannot read the script " << *options.scriptPath << '\n';
            return ExitUsage;
        }
    }
    std::ofstream transcriptFile;
    if (options.transcriptPath) {
        transcriptFile.open(*options.transcriptPath, std::ios::out | std::ios::trunc);
        if (!transcriptFile) {
            streams.err << "kavelo-workbench: cannot write the transcript " << *options.transcriptPath
                        << '\n';
            return ExitUsage;
        }
    }
    Console console(streams.out, streams.err, options.verbose);
    Transcript transcript = options.transcriptPath ? Transcript(transcriptFile, streams.err) : Transcript();

    bool scriptSucceeded = true;
    {
        Session session(transcript, console);
        for (const SlotFailure& failure : options.failures)
            session.SetSlotFailure(failure.slot, failure.code);
        if (!session.Start(modulePath))
            return ExitModuleFailure;
        if (options.scriptPath)
            scriptSucceeded = RunScript(session, console, script, *options.scriptPath);
        else if (!streams.inIsTerminal)
            scriptSucceeded = RunScript(session, console, streams.in, "<stdin>");
        else
            RunPrompt(session, console, streams.in);
    }
    if (!scriptSucceeded)
        return ExitUsage;
    return transcript.WriteFailed() ? ExitModuleFailure : ExitSuccess;
}

} // namespace

int RunWorkbench(std::span<const std::string_view> arguments, const ProgramStreams& streams,
                 const std::string& defaultModulePath) {
    const ParsedOptions parsed = ParseOptions(arguments);
    if (!parsed.error.empty()) {
        streams.err << "kavelo-workbench: " << parsed.error << '\n';
        return ExitUsage;
    }
    if (parsed.options.help) {
        streams.out << UsageText();
        return ExitSuccess;
    }
    const std::string modulePath =
        parsed.options.modulePath.empty() ? defaultModulePath : parsed.options.modulePath;
    try {
        return Drive(parsed.options, streams, modulePath);
    } catch (const std::exception& error) {
        streams.err << "kavelo-workbench: " << error.what() << '\n';
        return ExitModuleFailure;
    }
}

std::string DefaultModulePath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path("KAVELO.apx") : program.parent_path() / "KAVELO.apx").string();
}

} // namespace Workbench
