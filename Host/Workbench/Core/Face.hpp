#pragma once

// A face of the workbench: how a person, or a script acting for one, meets the host. The dialog
// library shows its dialogs and palettes through the face's two drivers, installed while the
// session lives; the face then runs the started session to its end.

#include "Session.hpp"

#include "DGHost.hpp"

namespace Workbench {

class Face {
public:
    virtual ~Face() = default;

    virtual DG::Host::UIDriver& Dialogs() = 0;
    virtual DG::Host::PaletteDriver& Palettes() = 0;

    // Until the session ends: the script's end, quit or unload, or the person leaving. False when
    // a script failed.
    virtual bool Run(Session& session) = 0;
};

} // namespace Workbench
