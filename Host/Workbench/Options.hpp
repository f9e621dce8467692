#pragma once

// The workbench's command line.

#include "FrontWindow.hpp"
#include "Scene/SceneView.hpp"
#include "ScriptCommand.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Workbench {

struct Options {
    std::string modulePath; // empty: KAVELO.apx beside the workbench
    std::optional<std::string> scriptPath;
    std::optional<std::string> transcriptPath;
    bool verbose = false;
    std::vector<SlotFailure> failures;     // set before the module is loaded
    std::optional<std::string> dataFolder; // none: the per-user default
    std::optional<WindowKind> window;      // none: the 3D window is in front
    Scene::ViewSource view;
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
