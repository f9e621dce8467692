#pragma once

// The workbench's command line.

#include "FrontWindow.hpp"
#include "Scene/SceneView.hpp"
#include "SlotFailure.hpp"

#include "GSRoot/Definitions.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Workbench {

// One --connect-to entry: connections for host:port go to toHost:toPort.
struct ConnectTo {
    std::string host;
    UInt16 port = 0;
    std::string toHost;
    UInt16 toPort = 0;

    bool operator==(const ConnectTo&) const = default;
};

// "HOST:PORT:TOHOST:TOPORT" as curl reads it: an IPv6 address in brackets, an empty TOHOST or
// TOPORT meaning the original one. HOST and PORT must be given.
std::optional<ConnectTo> ParseConnectTo(std::string_view text, std::string& error);

struct Options {
    std::string modulePath; // empty: KAVELO.apx beside the workbench
    std::optional<std::string> scriptPath;
    std::optional<std::string> transcriptPath;
    bool verbose = false;
    std::vector<SlotFailure> failures;     // set before the module is loaded
    std::optional<std::string> dataFolder; // none: the per-user default
    std::optional<WindowKind> window;      // none: the 3D window is in front
    Scene::ViewSource view;
    std::vector<std::string> trustedCertificateFiles; // PEM files trusted beside the system's CAs
    std::vector<ConnectTo> connectTo;
    bool desktop = false; // the desktop face; also the default with a display and no script
    bool help = false;
};

struct ParsedOptions {
    Options options;
    std::string error; // empty when the command line was understood
};

// `arguments` without the program name.
ParsedOptions ParseOptions(std::span<const std::string_view> arguments);

std::string UsageText();

} // namespace Workbench
