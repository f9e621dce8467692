// What File does the same on every platform, over the descriptor each platform's Open makes.

#include "IO/File.hpp"

#include "FileSystem.hpp"
#include "InputOutputHost.hpp"

#include <algorithm>
#include <atomic>
#include <limits>
#include <new>
#include <stdexcept>

namespace IO {

namespace {

bool IsKnownParameter(Int32 onNotFound, Int32 openMode, Int32 accessDeniedTreatment) {
    return (onNotFound == File::Fail || onNotFound == File::Create) &&
           (openMode == File::ReadMode || openMode == File::WriteMode || openMode == File::ReadWriteMode) &&
           (accessDeniedTreatment == File::AccessDeniedIsError ||
            accessDeniedTreatment == File::AccessDeniedRetryReadOnly ||
            accessDeniedTreatment == File::AcceptAccessDenied);
}

// The host's cut of reads in one word, so that every compiler makes its atomic without a lock or a
// library call: the byte count in the low half, whether a cut is set and whether it fails above.
constexpr UInt64 CutActive = UInt64(1) << 32;
constexpr UInt64 CutFailing = UInt64(1) << 33;
std::atomic<UInt64> readCut{0};

// Reads on from `readSoFar` bytes into a ReadBin, as the system or the host's cut answers.
Int64 ReadOn(int descriptor, char* destination, UInt32 count, UInt32 readSoFar) {
    const UInt64 cut = readCut.load(std::memory_order_relaxed);
    if ((cut & CutActive) != 0) {
        const UInt32 bytes = static_cast<UInt32>(cut);
        if (readSoFar >= bytes)
            return (cut & CutFailing) != 0 ? -1 : 0;
        count = std::min(count, bytes - readSoFar);
    }
    return Detail::ReadDescriptor(descriptor, destination, count);
}

} // namespace

File::File(const Location& place, Int32 notFoundPolicy) : location(place), onNotFound(notFoundPolicy) {}

GSErrCode File::Open(Int32 openMode, Int32 accessDeniedTreatment) {
    if (descriptor >= 0) {
        return ErrAlreadyOpen;
    }
    if (!IsKnownParameter(onNotFound, openMode, accessDeniedTreatment)) {
        return openError = ErrBadParameter;
    }
    if (location.IsEmpty()) {
        return openError = ErrBadLocation;
    }
    // The path's copy for the system is made with GS strings, which throw; File answers codes.
    try {
        return openError = Detail::OpenDescriptor(location.ToPath(), onNotFound == Create, openMode,
                                                  accessDeniedTreatment, descriptor);
    } catch (const std::bad_alloc&) {
        return openError = ErrOutOfMemory;
    } catch (const std::length_error&) {
        return openError = ErrBadLocation; // a path of more than 4 GiB
    }
}

File::~File() {
    Close();
}

GSErrCode File::GetDataLength(UInt32* length) const {
    if (length == nullptr) {
        return ErrBadParameter;
    }
    if (descriptor < 0) {
        return openError != NoError ? openError : ErrNotOpen;
    }
    UInt64 size = 0;
    if (!Detail::DescriptorSize(descriptor, &size)) {
        return ErrReadFailed;
    }
    if (size > std::numeric_limits<UInt32>::max()) {
        return ErrFileTooLarge;
    }
    *length = static_cast<UInt32>(size);
    return NoError;
}

GSErrCode File::ReadBin(char* destination, UInt32 nBytes, UInt32* bytesRead) {
    if (bytesRead != nullptr) {
        *bytesRead = 0;
    }
    if (destination == nullptr && nBytes > 0) {
        return ErrBadParameter;
    }
    if (descriptor < 0) {
        return openError != NoError ? openError : ErrNotOpen;
    }
    UInt32 total = 0;
    GSErrCode result = NoError;
    while (total < nBytes) {
        const Int64 count = ReadOn(descriptor, destination + total, nBytes - total, total);
        if (count < 0) {
            result = ErrReadFailed;
            break;
        }
        if (count == 0) {
            break; // end of file
        }
        total += static_cast<UInt32>(count);
    }
    if (bytesRead != nullptr) {
        *bytesRead = total;
    }
    return result;
}

GSErrCode File::Close() {
    openError = NoError;
    if (descriptor < 0) {
        return NoError;
    }
    const int fd = descriptor;
    descriptor = -1;
    return Detail::CloseDescriptor(fd) ? NoError : ErrCloseFailed;
}

} // namespace IO

namespace IO::Host {

void CutReads(UInt32 bytes, ReadEnd end) {
    readCut.store(bytes | CutActive | (end == ReadEnd::Failure ? CutFailing : 0), std::memory_order_relaxed);
}

void ResetReads() {
    readCut.store(0, std::memory_order_relaxed);
}

} // namespace IO::Host
