// Files over the host's file layer, whose descriptors File keeps.

#include "IO/File.hpp"

#include "FileSystem.hpp"
#include "InputOutputHost.hpp"
#include "Names.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>

namespace IO {

namespace {

namespace FileSystem = HostFiles::FileSystem;

bool IsKnownParameter(Int32 onNotFound, Int32 openMode, Int32 accessDeniedTreatment) {
    return (onNotFound == File::Fail || onNotFound == File::Create) &&
           (openMode == File::ReadMode || openMode == File::WriteMode || openMode == File::ReadWriteMode) &&
           (accessDeniedTreatment == File::AccessDeniedIsError ||
            accessDeniedTreatment == File::AccessDeniedRetryReadOnly ||
            accessDeniedTreatment == File::AcceptAccessDenied);
}

FileSystem::Access AccessOf(Int32 openMode) {
    switch (openMode) {
    case File::WriteMode:
        return FileSystem::Access::Write;
    case File::ReadWriteMode:
        return FileSystem::Access::ReadWrite;
    default:
        return FileSystem::Access::Read;
    }
}

bool IsDenial(const std::error_code& error) {
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
           error == std::errc::read_only_file_system;
}

GSErrCode OpenErrorOf(const std::error_code& error) {
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
        return ErrFileNotFound;
    }
    if (error == std::errc::is_a_directory) {
        return ErrIsAFolder;
    }
    return IsDenial(error) ? ErrAccessDenied : ErrOpenFailed;
}

// Opens `path` as File::Open asks, setting `descriptor` on success; anything but a regular file is
// refused, without waiting on a FIFO's other end.
GSErrCode OpenRegular(const std::filesystem::path& path, bool create, Int32 openMode,
                      Int32 accessDeniedTreatment, int& descriptor) {
    const FileSystem::OpenMode mode{
        AccessOf(openMode), create ? FileSystem::Creation::IfMissing : FileSystem::Creation::Existing, true};
    int fd = -1;
    std::error_code error = FileSystem::Open(path, mode, fd);
    if (IsDenial(error) && accessDeniedTreatment == File::AccessDeniedRetryReadOnly &&
        openMode != File::ReadMode) {
        error = FileSystem::Open(path, {FileSystem::Access::Read, FileSystem::Creation::Existing, true}, fd);
    }
    if (error) {
        return OpenErrorOf(error);
    }
    FileSystem::Kind kind = FileSystem::Kind::Other;
    std::uint64_t size = 0;
    if (FileSystem::Examine(fd, kind, size) || kind != FileSystem::Kind::Regular) {
        FileSystem::Close(fd);
        return kind == FileSystem::Kind::Folder ? ErrIsAFolder : ErrNotAFile;
    }
    descriptor = fd;
    return NoError;
}

// The host's cut of reads in one word, so that every compiler makes its atomic without a lock or a
// library call: the byte count in the low half, whether a cut is set and whether it fails above.
constexpr UInt64 CutActive = UInt64(1) << 32;
constexpr UInt64 CutFailing = UInt64(1) << 33;
std::atomic<UInt64> readCut{0};

// Reads on from `readSoFar` bytes into a ReadBin, as the system or the host's cut answers: how many
// were read, 0 at the end of the file, negative on failure.
Int64 ReadOn(int descriptor, char* destination, UInt32 count, UInt32 readSoFar) {
    const UInt64 cut = readCut.load(std::memory_order_relaxed);
    if ((cut & CutActive) != 0) {
        const UInt32 bytes = static_cast<UInt32>(cut);
        if (readSoFar >= bytes)
            return (cut & CutFailing) != 0 ? -1 : 0;
        count = std::min(count, bytes - readSoFar);
    }
    std::size_t got = 0;
    if (FileSystem::ReadSome(descriptor, reinterpret_cast<unsigned char*>(destination), count, got)) {
        return -1;
    }
    return static_cast<Int64>(got);
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
        const std::optional<std::filesystem::path> path = Detail::SystemPath(location.ToPath());
        if (!path) {
            return openError = ErrBadLocation;
        }
        return openError =
                   OpenRegular(*path, onNotFound == Create, openMode, accessDeniedTreatment, descriptor);
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
    FileSystem::Kind kind{};
    std::uint64_t size = 0;
    if (FileSystem::Examine(descriptor, kind, size)) {
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
    return FileSystem::Close(fd) ? ErrCloseFailed : NoError;
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
