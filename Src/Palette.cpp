#include "Palette.hpp"

#include "AddOnMain.hpp"

namespace {

constexpr Int32 PaletteIsVisibleMessage = 7;

} // namespace

GSErrCode HandlePaletteMessage(Int32 referenceID, Int32 messageID, GS::IntPtr param) {
    if (referenceID != PaletteRefId)
        return NoError;
    // No palette object exists yet, so the host's requests have nothing to act on and the
    // palette is never visible.
    if (messageID == PaletteIsVisibleMessage)
        *reinterpret_cast<bool*>(param) = false;
    return NoError;
}
