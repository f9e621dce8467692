#pragma once

#include "ACAPI/APIdefs.hpp"

// The host's palette-control callback, registered with the palette's reference id.
GSErrCode HandlePaletteMessage(Int32 referenceID, Int32 messageID, GS::IntPtr param);
