#pragma once

#include "ACAPI/APIdefs.hpp"
#include "GSRoot/Guid.hpp"

// The palette's identity, fixed at load: the GUID first, then the reference id derived from it.
extern const GS::Guid PaletteGuid;
extern const Int32 PaletteRefId;

// The wrap-around sum of the four little-endian 32-bit words of the GUID's 16-byte memory form.
Int32 GuidReferenceId(const GS::Guid& guid);

GSErrCode HandleMenuCommand(const API_MenuParams* menuParams);
