#include "App.hpp"

#include "CommandLoop.hpp"
#include "DataFolder.hpp"
#include "DesktopFace.hpp"
#include "HostText.hpp"
#include "Options.hpp"
#include "Platform.hpp"

#include "DGHost.hpp"
#include "HTTPHost.hpp"

#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>

namespace Workbench {

namespace {

// The host's settings from the options, or the reason they cannot be used.
struct SettingsResult {
    HostSettings settings;
    std::string error;
};

SettingsResult SettingsFrom(const Options& options) {
    SettingsResult result;
    const std::filesystem::path folder =
        options.dataFolder ? PathFromText(*options.dataFolder) : Platform::DefaultDataFolder();
    if (folder.empty()) {
        result.error =
            "there is no data folder: give --data-dir, or set " + std::string(Platform::DataFolderVariables);
        return result;
    }
    // The module is handed locations in it, which must not depend on its working folder.
    result.settings.dataFolder = std::filesystem::absolute(folder);
    result.settings.view = options.view;
    if (options.view.picture) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(*options.view.picture, error) ||
            !std::ifstream(*options.view.picture, std::ios::binary))
            result.error = "cannot read the view image " + PathText(*options.view.picture);
    }
    return result;
}

// The HTTP library's settings belong to the process; the workbench's hold for one run only.
class NetworkSettingsScope {
public:
    NetworkSettingsScope() = default;
    ~NetworkSettingsScope() { HTTP::Host::ResetSettings(); }
    NetworkSettingsScope(const NetworkSettingsScope&) = delete;
    NetworkSettingsScope& operator=(const NetworkSettingsScope&) = delete;

    // Empty, or why a setting could not be made; what outlasts the run is said on `out`.
    std::string Apply(const Options& options, std::ostream& out) {
        for (const std::string& file : options.trustedCertificateFiles) {
            try {
                HTTP::Host::AddTrustedCertificateFile(file);
            } catch (const std::runtime_error& error) {
                return "--trust-ca: " + std::string(error.what());
            }
            if (!Platform::TrustedCertificateNote.empty())
                out << "The CA certificates of " << file << ": " << Platform::TrustedCertificateNote << ".\n";
        }
        for (const ConnectTo& entry : options.connectTo)
            HTTP::Host::SetConnectTo(entry.host, entry.port, entry.toHost, entry.toPort);
        return {};
    }
};

// A script runs from --script, or from standard input when no person types there. A person at a
// display gets windows; at a terminal, the prompt.
std::unique_ptr<Face> MakeFace(const Options& options, const ProgramStreams& streams,
                               std::istream& scriptFile, Transcript& transcript, Console& console,
                               std::string& why) {
    std::istream* script = options.scriptPath ? &scriptFile : streams.inIsTerminal ? nullptr : &streams.in;
    const std::string name = options.scriptPath.value_or("<stdin>");
    if (options.desktop || (script == nullptr && DisplayPresent())) {
        std::unique_ptr<Face> desktop = MakeDesktopFace(transcript, console, script, name, why);
        if (!desktop)
            why = "--desktop: " + why;
        return desktop;
    }
    if (script != nullptr)
        return std::make_unique<ScriptFace>(transcript, console, *script, name);
    return std::make_unique<PromptFace>(transcript, console, streams.in);
}

int Drive(const Options& options, const ProgramStreams& streams, const std::string& modulePath) {
    std::ifstream script;
    if (options.scriptPath) {
        script.open(PathFromText(*options.scriptPath));
        if (!script) {
            streams.err << "kavelo-workbench: cannot read the script " << *options.scriptPath << '\n';
            return ExitUsage;
        }
    }
    SettingsResult settings = SettingsFrom(options);
    if (!settings.error.empty()) {
        streams.err << "kavelo-workbench: " << settings.error << '\n';
        return ExitUsage;
    }
    NetworkSettingsScope network;
    if (const std::string error = network.Apply(options, streams.out); !error.empty()) {
        streams.err << "kavelo-workbench: " << error << '\n';
        return ExitUsage;
    }
    std::ofstream transcriptFile;
    if (options.transcriptPath) {
        // Binary: JSON Lines end in a line feed on every system.
        transcriptFile.open(PathFromText(*options.transcriptPath),
                            std::ios::out | std::ios::trunc | std::ios::binary);
        if (!transcriptFile) {
            streams.err << "kavelo-workbench: cannot write the transcript " << *options.transcriptPath
                        << '\n';
            return ExitUsage;
        }
    }
    Console console(streams.out, streams.err, options.verbose);
    Transcript transcript = options.transcriptPath ? Transcript(transcriptFile, streams.err) : Transcript();

    std::string why;
    const std::unique_ptr<Face> face = MakeFace(options, streams, script, transcript, console, why);
    if (!face) {
        streams.err << "kavelo-workbench: " << why << '\n';
        return ExitUsage;
    }
    const DG::Host::DriverScope drivers(&face->Dialogs(), &face->Palettes());

    bool scriptSucceeded = true;
    {
        Session session(transcript, console, std::move(settings.settings));
        for (const SlotFailure& failure : options.failures)
            session.SetSlotFailure(failure.slot, failure.code);
        if (options.window)
            session.Host().SwitchWindow(*options.window);
        if (!session.Start(modulePath))
            return ExitModuleFailure;
        scriptSucceeded = face->Run(session);
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
    const std::filesystem::path program = Platform::ProgramFile();
    return PathText(program.empty() ? std::filesystem::path("KAVELO.apx")
                                    : program.parent_path() / "KAVELO.apx");
}

} // namespace Workbench
