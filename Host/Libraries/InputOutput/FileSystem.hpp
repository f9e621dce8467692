#pragma once

// What File shares between platforms, and the descriptor operations each platform supplies.

#include "IO/File.hpp"

namespace IO {

inline bool IsKnownParameter(Int32 onNotFound, Int32 openMode, Int32 accessDeniedTreatment) {
    return (onNotFound == File::Fail || onNotFound == File::Create) &&
           (openMode == File::ReadMode || openMode == File::WriteMode || openMode == File::ReadWriteMode) &&
           (accessDeniedTreatment == File::AccessDeniedIsError ||
            accessDeniedTreatment == File::AccessDeniedRetryReadOnly ||
            accessDeniedTreatment == File::AcceptAccessDenied);
}

namespace Detail {

bool DescriptorSize(int descriptor, UInt64* size);
// Reads at most `count` bytes: how many were read, 0 at the end of the file, negative on failure.
Int64 ReadDescriptor(int descriptor, char* destination, UInt32 count);
// True when the descriptor is released without a failure to report.
bool CloseDescriptor(int descriptor);

} // namespace Detail

} // namespace IO
