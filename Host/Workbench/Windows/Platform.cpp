#include "Platform.hpp"

#include <windows.h>

#include <cstdlib>
#include <io.h>
#include <stdio.h>
#include <string>

namespace Workbench::Platform {

bool StandardInputIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

std::filesystem::path ProgramFile() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 2); // cut short: the buffer was too small
    }
}

std::filesystem::path DefaultDataFolder() {
    // A relative value would make the folder depend on where the program was started.
    const wchar_t* localData = _wgetenv(L"LOCALAPPDATA");
    if (localData == nullptr || !std::filesystem::path(localData).is_absolute())
        return {};
    return std::filesystem::path(localData) / L"KAVELO Workbench";
}

const std::string_view DataFolderVariables = "LOCALAPPDATA";

// WinHTTP trusts what the system trusts, so the CA goes where a developer puts a local development CA.
const std::string_view TrustedCertificateNote =
    "added to the current user's root certificate store, where it stays until removed (certmgr)";

// The module calls Windows itself: a browser launch goes through the shell to the user's browser,
// past the host, so there is nothing here for the host to watch.
WindowsCallWatch::WindowsCallWatch(Transcript&, Console&) {}

WindowsCallWatch::~WindowsCallWatch() = default;

} // namespace Workbench::Platform
