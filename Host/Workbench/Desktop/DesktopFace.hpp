#pragma once

// The desktop face: the host's main window with its menus and 3D view, and the dialog library's
// dialogs and palettes, as the system's own windows, where the system has a desktop to show them
// on (Windows, and wine on Linux with a display).

#include "Console.hpp"
#include "Session.hpp"
#include "Transcript.hpp"

#include "DGHost.hpp"

#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace Workbench {

class DesktopFace {
public:
    virtual ~DesktopFace() = default;

    // Presents the dialog library's dialogs and palettes while the face lives.
    virtual DG::Host::UIDriver& Driver() = 0;

    // Shows the main window of the started session. With a script, runs it as RunScript does, the
    // user's actions and dialog answers sent to the windows as a person's clicks; false as
    // RunScript. Without one, runs until the person closes the main window.
    virtual bool Run(Session& session, std::istream* script, std::string_view name) = 0;
};

// Null, with `why`, where there is no desktop to show it on. `scripted`: the dialogs' answers
// come from a script.
std::unique_ptr<DesktopFace> MakeDesktopFace(Transcript& transcript, Console& console, bool scripted,
                                             std::string& why);

// Whether windows can be shown to a person.
bool DisplayPresent();

} // namespace Workbench
