#include "Platform.hpp"

#include "BrowserLaunch.hpp"
#include "DataFolder.hpp"

#include "Win32Host.hpp"

#include <cstdlib>
#include <string>
#include <system_error>
#include <unistd.h>

namespace Workbench::Platform {

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

std::filesystem::path ProgramFile() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program;
}

std::filesystem::path DefaultDataFolder() {
    return Workbench::DefaultDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

const std::string_view DataFolderVariables = "HOME or XDG_DATA_HOME";

const std::string_view TrustedCertificateNote = "";

// The module's Windows calls are the stand-in's, whatever module makes them.
struct WindowsCallWatch::Redirection {};

WindowsCallWatch::WindowsCallWatch(Transcript& transcript, Console& console) {
    Win32::Host::SetCallObserver([&transcript, &console](std::string_view call, std::string_view argument) {
        // ShellExecuteW is how the module opens the browser.
        if (call == "ShellExecuteW") {
            ShowBrowserLaunch(transcript, console, argument);
            return;
        }
        transcript.Write("windows-call", JsonObject().String("call", call).String("argument", argument));
    });
}

WindowsCallWatch::~WindowsCallWatch() {
    Win32::Host::SetCallObserver({});
}

void WindowsCallWatch::ModuleLoaded(void*) {}

void WindowsCallWatch::ModuleUnloading(void*) {}

} // namespace Workbench::Platform
