#include "DataFolder.hpp"

#include "HostText.hpp"

#include <system_error>

namespace Workbench {

std::filesystem::path DefaultDataFolder(const char* xdgDataHome, const char* home) {
    // The XDG base directory rules ignore a relative XDG_DATA_HOME.
    if (xdgDataHome != nullptr && std::filesystem::path(xdgDataHome).is_absolute())
        return std::filesystem::path(xdgDataHome) / "kavelo-workbench";
    if (home != nullptr && home[0] != '\0')
        return std::filesystem::path(home) / ".local" / "share" / "kavelo-workbench";
    return {};
}

std::filesystem::path PreferencesFolder(const std::filesystem::path& dataFolder) {
    return dataFolder / "preferences";
}

std::filesystem::path TemporaryFolder(const std::filesystem::path& dataFolder) {
    return dataFolder / "temporary";
}

std::string MakeFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return "cannot make the folder \"" + PathText(folder) + "\": " + error.message();
    return {};
}

} // namespace Workbench
