#pragma once

// Host codes with which the workbench's own operations refuse a call, under the host's names.

#include "GSRoot/Definitions.hpp"

namespace Workbench {

// APIERR_GENERAL, APIERR_BADPARS and APIERR_BADWINDOW come with the protocol's own declarations.
constexpr GSErrCode APIERR_MEMFULL = GSErrCode(0x81060002);
constexpr GSErrCode APIERR_BADID = GSErrCode(0x81060065);
constexpr GSErrCode APIERR_WINDEXIST = GSErrCode(0x810600E0);
constexpr GSErrCode APIERR_WINDNOTEXIST = GSErrCode(0x810600E1);
constexpr GSErrCode APIERR_NAMEALREADYUSED = GSErrCode(0x810600E4);
constexpr GSErrCode APIERR_NOTINIT = GSErrCode(0x81060385);

} // namespace Workbench
