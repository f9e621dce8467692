#pragma once

// Host codes with which the workbench's own operations refuse a call, under the host's names.

#include "GSRoot/Definitions.hpp"

namespace Workbench {

constexpr GSErrCode APIERR_BADID = GSErrCode(0x81060065);
constexpr GSErrCode APIERR_BADPARS = GSErrCode(0x81060068);
constexpr GSErrCode APIERR_WINDEXIST = GSErrCode(0x810600E0);
constexpr GSErrCode APIERR_WINDNOTEXIST = GSErrCode(0x810600E1);
constexpr GSErrCode APIERR_NAMEALREADYUSED = GSErrCode(0x810600E4);
constexpr GSErrCode APIERR_NOTINIT = GSErrCode(0x81060385);

} // namespace Workbench
