#pragma once

// What the workbench asks of the system it runs on; each system answers in a unit of its own.

#include "Console.hpp"
#include "Transcript.hpp"

#include <filesystem>
#include <memory>
#include <string_view>

namespace Workbench::Platform {

bool StandardInputIsTerminal();

// The running program's own file; empty when the system does not say.
std::filesystem::path ProgramFile();

// The data folder when none is given; empty when the environment names none.
std::filesystem::path DefaultDataFolder();
// The environment variables DefaultDataFolder() reads, for the message when it finds none.
extern const std::string_view DataFolderVariables;

// What trusting a CA file with --trust-ca does beyond this run, for the user to be told; empty when
// the trust lasts only as long as the run.
extern const std::string_view TrustedCertificateNote;

// Shows the module's Windows calls in the transcript and on the console for as long as it lives: all
// of them where the host stands in for Windows, its browser launches where Windows answers them.
class WindowsCallWatch {
public:
    WindowsCallWatch(Transcript& transcript, Console& console);
    ~WindowsCallWatch();
    WindowsCallWatch(const WindowsCallWatch&) = delete;
    WindowsCallWatch& operator=(const WindowsCallWatch&) = delete;

    // The module `handle` (the system loader's) has been loaded, or is about to be unloaded.
    void ModuleLoaded(void* handle);
    void ModuleUnloading(void* handle);

private:
    struct Redirection; // of the module's own Windows calls, where it makes them
    std::unique_ptr<Redirection> redirection;
};

} // namespace Workbench::Platform
