#pragma once

// The workbench's data folder: each add-on's preferences and the folders the host hands to
// add-ons live under it. Folders are made when something is first written there, so a run that
// stores nothing leaves no trace.

#include <filesystem>
#include <string>

namespace Workbench {

// $XDG_DATA_HOME/kavelo-workbench when that is an absolute path, else
// $HOME/.local/share/kavelo-workbench; empty when neither can be used. Either may be null.
std::filesystem::path DefaultDataFolder(const char* xdgDataHome, const char* home);

std::filesystem::path PreferencesFolder(const std::filesystem::path& dataFolder);

// The folder behind the host's special folder 4: the add-on's own scratch files.
std::filesystem::path TemporaryFolder(const std::filesystem::path& dataFolder);

// Makes `folder` and the folders above it; empty on success, else what went wrong.
std::string MakeFolder(const std::filesystem::path& folder);

} // namespace Workbench
