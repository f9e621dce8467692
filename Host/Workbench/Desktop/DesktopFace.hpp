#pragma once

// The desktop face: the host's main window with its menus and 3D view, and the dialog library's
// dialogs and palettes, as the system's own windows, where the system has a desktop to show them
// on (Windows, and wine on Linux with a display).

#include "Console.hpp"
#include "Face.hpp"
#include "Transcript.hpp"

#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace Workbench {

// Null, with `why`, where there is no desktop to show it on. With a `script`, its run runs it as
// RunScript does, the user's actions and dialog answers sent to the windows as a person's clicks;
// without one, it runs until the person closes the main window.
std::unique_ptr<Face> MakeDesktopFace(Transcript& transcript, Console& console, std::istream* script,
                                      std::string_view scriptName, std::string& why);

// Whether windows can be shown to a person.
bool DisplayPresent();

} // namespace Workbench
