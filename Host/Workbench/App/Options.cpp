#include "Options.hpp"

#include "HostText.hpp"
#include "ScriptCommand.hpp"

namespace Workbench {

namespace {

// "--name VALUE" or "--name=VALUE"; `at` moves past what was used.
std::optional<std::string> OptionValue(std::span<const std::string_view> arguments, std::size_t& at,
                                       std::string_view name, std::string& error) {
    const std::string_view argument = arguments[at];
    if (argument.size() > name.size() && argument[name.size()] == '=')
        return std::string(argument.substr(name.size() + 1));
    if (at + 1 >= arguments.size()) {
        error = std::string(name) + " needs a value";
        return std::nullopt;
    }
    return std::string(arguments[++at]);
}

bool Names(std::string_view argument, std::string_view name) {
    return argument == name || (argument.starts_with(name) && argument[name.size()] == '=');
}

std::optional<SlotFailure> ParseFailOption(std::string_view text, std::string& error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        error = "--fail: expected SLOT=CODE, got \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    const auto slot = ParseSlot(text.substr(0, equals), error);
    const auto code = slot ? ParseHostCode(text.substr(equals + 1), error) : std::nullopt;
    if (!code) {
        error = "--fail: " + error;
        return std::nullopt;
    }
    return SlotFailure{*slot, *code};
}

// The next field of a --connect-to text up to a ':' (or the end, for the last one); a field that
// starts with '[' runs to its ']', so an IPv6 address keeps its colons. The brackets stay off.
std::optional<std::string> NextField(std::string_view& rest, bool last) {
    std::string_view field;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        field = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (!last && !rest.starts_with(':'))
            return std::nullopt;
    } else {
        const std::size_t colon = rest.find(':');
        if ((colon == std::string_view::npos) != last)
            return std::nullopt;
        field = rest.substr(0, last ? rest.size() : colon);
        rest.remove_prefix(field.size());
    }
    if (!last)
        rest.remove_prefix(1);
    else if (!rest.empty())
        return std::nullopt;
    return std::string(field);
}

std::optional<UInt16> ParsePort(std::string_view text) {
    const auto value = ParseInteger<unsigned>(text, 10);
    if (!value || *value == 0 || *value > 65535)
        return std::nullopt;
    return static_cast<UInt16>(*value);
}

} // namespace

std::optional<ConnectTo> ParseConnectTo(std::string_view text, std::string& error) {
    const std::string shape = "\"" + std::string(text) + "\" is not HOST:PORT:TOHOST:TOPORT";
    std::string_view rest = text;
    std::optional<std::string> fields[4];
    for (std::size_t i = 0; i < 4; ++i) {
        fields[i] = NextField(rest, i == 3);
        if (!fields[i]) {
            error = shape;
            return std::nullopt;
        }
    }
    if (fields[0]->empty()) {
        error = shape + " (HOST is empty: give the host the add-on connects to)";
        return std::nullopt;
    }
    ConnectTo entry{*fields[0], 0, fields[2]->empty() ? *fields[0] : *fields[2], 0};
    const auto port = ParsePort(*fields[1]);
    const auto toPort = fields[3]->empty() ? port : ParsePort(*fields[3]);
    if (!port || !toPort) {
        error = shape + " (ports are 1 to 65535)";
        return std::nullopt;
    }
    entry.port = *port;
    entry.toPort = *toPort;
    return entry;
}

ParsedOptions ParseOptions(std::span<const std::string_view> arguments) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    std::string& error = parsed.error;
    for (std::size_t at = 0; at < arguments.size() && error.empty(); ++at) {
        const std::string_view argument = arguments[at];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--verbose" || argument == "-v") {
            options.verbose = true;
        } else if (argument == "--desktop") {
            options.desktop = true;
        } else if (Names(argument, "--module")) {
            if (auto value = OptionValue(arguments, at, "--module", error))
                options.modulePath = *value;
        } else if (Names(argument, "--script")) {
            options.scriptPath = OptionValue(arguments, at, "--script", error);
        } else if (Names(argument, "--transcript")) {
            options.transcriptPath = OptionValue(arguments, at, "--transcript", error);
        } else if (Names(argument, "--prefs-fail")) {
            if (auto value = OptionValue(arguments, at, "--prefs-fail", error)) {
                if (const auto code = ParseHostCode(*value, error)) {
                    for (const SlotFailure& failure : PreferenceFailures(*code))
                        options.failures.push_back(failure);
                } else {
                    error = "--prefs-fail: " + error;
                }
            }
        } else if (Names(argument, "--data-dir")) {
            options.dataFolder = OptionValue(arguments, at, "--data-dir", error);
            if (options.dataFolder && options.dataFolder->empty())
                error = "--data-dir needs a folder";
        } else if (Names(argument, "--window")) {
            if (auto value = OptionValue(arguments, at, "--window", error)) {
                options.window = ParseWindowKind(*value);
                if (!options.window)
                    error = "--window: \"" + *value + "\" is none of 3d, plan, section, layout";
            }
        } else if (Names(argument, "--view-size")) {
            if (auto value = OptionValue(arguments, at, "--view-size", error)) {
                if (const auto size = Scene::ParseViewSize(*value, error))
                    options.view.size = *size;
                else
                    error = "--view-size: " + error;
            }
        } else if (Names(argument, "--view-image")) {
            if (auto value = OptionValue(arguments, at, "--view-image", error))
                options.view.picture = PathFromText(*value);
        } else if (Names(argument, "--trust-ca")) {
            if (auto value = OptionValue(arguments, at, "--trust-ca", error)) {
                if (value->empty())
                    error = "--trust-ca needs a file";
                else
                    options.trustedCertificateFiles.push_back(*value);
            }
        } else if (Names(argument, "--connect-to")) {
            if (auto value = OptionValue(arguments, at, "--connect-to", error)) {
                if (auto entry = ParseConnectTo(*value, error))
                    options.connectTo.push_back(*entry);
                else
                    error = "--connect-to: " + error;
            }
        } else if (Names(argument, "--fail")) {
            if (auto value = OptionValue(arguments, at, "--fail", error)) {
                if (auto failure = ParseFailOption(*value, error))
                    options.failures.push_back(*failure);
            }
        } else {
            error = "unknown option \"" + std::string(argument) + "\" (see --help)";
        }
    }
    return parsed;
}

std::string UsageText() {
    return std::string(R"(Usage: kavelo-workbench [options]

Loads an Archicad add-on module through its entry protocol and drives it: the menus it registers
are offered at a prompt (when standard input is a terminal) or picked by a script.

Options:
  --module PATH        the add-on module to load (default: KAVELO.apx beside kavelo-workbench)
  --script FILE        run the commands in FILE; without it, commands come from standard input
                       when that is not a terminal
  --transcript FILE    write every host event to FILE as JSON Lines (one object a line, with
                       "seq" and "event")
  --data-dir DIR       keep the add-ons' preferences and the host's folders in DIR (default:
                       $XDG_DATA_HOME/kavelo-workbench, or ~/.local/share/kavelo-workbench)
  --window KIND        the window in front at the start: 3d (the default), plan, section, layout
  --view-size WxH      the 3D window's size in pixels, which the saved view has (default 1600x900)
  --view-image FILE    the 3D window shows the picture FILE: saving the view copies its bytes
                       unchanged instead of rendering the built-in scene
  --trust-ca FILE      trust the CA certificates of the PEM file FILE for the add-on's HTTPS
                       connections, beside the system's (repeatable)
  --connect-to HOST:PORT:TOHOST:TOPORT
                       like curl's --connect-to: the add-on's connections for HOST:PORT go to
                       TOHOST:TOPORT, while the certificate is still checked for HOST; an empty
                       TOHOST or TOPORT keeps the original, an IPv6 address goes in brackets
                       (repeatable; a later entry for the same HOST:PORT wins)
  --fail SLOT=CODE     the operation in table slot SLOT answers host code CODE from the start,
                       before the module is loaded (repeatable; see "fail" below)
  --prefs-fail CODE    both preference operations answer host code CODE from the start
  --verbose, -v        also copy the module's debug output to standard error
  --desktop            show the host as windows: a main window with the menus and the 3D view,
                       dialogs and palettes as real windows (Windows, or wine with a display); a
                       script's clicks are then sent to those windows. The default when a display
                       is present and neither --script nor piped input gives a script
  --help, -h           show this text

An entry point that answers a failure is logged (standard error and transcript) and the run goes on,
so a failure can be watched to its end.

Exit status: 0 after a clean run; 1 when the module cannot be loaded or driven, or the transcript
could not be written; 2 for a bad command line or a script error (the module is unloaded first).

)") + ScriptCommandHelp();
}

} // namespace Workbench
