#pragma once

// The parameters File accepts, the same on every platform.

#include "IO/File.hpp"

namespace IO {

inline bool IsKnownParameter(Int32 onNotFound, Int32 openMode, Int32 accessDeniedTreatment) {
    return (onNotFound == File::Fail || onNotFound == File::Create) &&
           (openMode == File::ReadMode || openMode == File::WriteMode || openMode == File::ReadWriteMode) &&
           (accessDeniedTreatment == File::AccessDeniedIsError ||
            accessDeniedTreatment == File::AccessDeniedRetryReadOnly ||
            accessDeniedTreatment == File::AcceptAccessDenied);
}

} // namespace IO
