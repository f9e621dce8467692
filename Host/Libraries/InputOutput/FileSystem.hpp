#pragma once

// The descriptor operations each platform supplies to File.

#include "IO/File.hpp"

namespace IO {

namespace Detail {

// Opens `location` (a path in the system's form) as File::Open asks, setting `descriptor` on success.
// May throw std::bad_alloc and std::length_error while copying the path for the system.
GSErrCode OpenDescriptor(const GS::UniString& location, bool create, Int32 openMode,
                         Int32 accessDeniedTreatment, int& descriptor);
bool DescriptorSize(int descriptor, UInt64* size);
// Reads at most `count` bytes: how many were read, 0 at the end of the file, negative on failure.
Int64 ReadDescriptor(int descriptor, char* destination, UInt32 count);
// True when the descriptor is released without a failure to report.
bool CloseDescriptor(int descriptor);

} // namespace Detail

} // namespace IO
