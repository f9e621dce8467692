#include "Platform.hpp"

#include "BrowserLaunch.hpp"
#include "Windows/ShellExecuteRedirection.hpp"

#include "GSRootHost.hpp"

#include <windows.h>

#include <cstdlib>
#include <io.h>
#include <stdio.h>
#include <string>
#include <utility>

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

// The module calls Windows itself; of its calls, the browser launches are the ones the user should
// see, caught in its import table on their way to the shell.
struct WindowsCallWatch::Redirection {
    explicit Redirection(std::function<void(const wchar_t* file)> launching)
        : shellExecute(std::move(launching)) {}

    ShellExecuteRedirection shellExecute;
};

WindowsCallWatch::WindowsCallWatch(Transcript& transcript, Console& console)
    : redirection(std::make_unique<Redirection>([&transcript, &console](const wchar_t* file) {
          const std::string url =
              file == nullptr
                  ? std::string()
                  : GS::Host::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(file)));
          ShowBrowserLaunch(transcript, console, url);
      })) {}

WindowsCallWatch::~WindowsCallWatch() = default;

void WindowsCallWatch::ModuleLoaded(void* handle) {
    redirection->shellExecute.Redirect(static_cast<HMODULE>(handle));
}

void WindowsCallWatch::ModuleUnloading(void* handle) {
    redirection->shellExecute.Undo(static_cast<HMODULE>(handle));
}

} // namespace Workbench::Platform
