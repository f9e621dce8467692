#include "DesktopFace.hpp"

namespace Workbench {

std::unique_ptr<Face> MakeDesktopFace(Transcript&, Console&, std::istream*, std::string_view,
                                      std::string& why) {
    why = "the desktop face is the Windows workbench's (kavelo-workbench.exe; on Linux under wine with a "
          "display)";
    return nullptr;
}

bool DisplayPresent() {
    return false;
}

} // namespace Workbench
