#pragma once

// The descriptor operations each platform supplies to File.

#include "IO/File.hpp"

#include <string_view>

namespace IO {

namespace Detail {

// Whether the system takes `name` (not empty, "." or "..") as an entry of the folder it is joined to:
// nothing in it reaches another folder, a drive or a device.
bool IsEntryName(std::u16string_view name);

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
