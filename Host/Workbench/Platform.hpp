#pragma once

// What the workbench asks of the system it runs on; each system answers in a unit of its own.

#include "Console.hpp"
#include "Transcript.hpp"

#include <filesystem>
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

// Shows the module's Windows calls, a browser launch among them, in the transcript and on the
// console for as long as it lives, where the host stands in for Windows.
class WindowsCallWatch {
public:
    WindowsCallWatch(Transcript& transcript, Console& console);
    ~WindowsCallWatch();
    WindowsCallWatch(const WindowsCallWatch&) = delete;
    WindowsCallWatch& operator=(const WindowsCallWatch&) = delete;
};

} // namespace Workbench::Platform
