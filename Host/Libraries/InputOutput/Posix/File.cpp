#include "IO/File.hpp"

#include "FileSystem.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace IO {
namespace {

// Larger reads are split, since read(2) moves at most about 2 GiB at once.
constexpr std::size_t MaxReadChunk = std::size_t(1) << 30;

int AccessFlags(Int32 openMode) {
    switch (openMode) {
    case File::WriteMode:
        return O_WRONLY;
    case File::ReadWriteMode:
        return O_RDWR;
    default:
        return O_RDONLY;
    }
}

bool IsDenial(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

GSErrCode OpenErrorOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ErrFileNotFound;
    case EISDIR:
        return ErrIsAFolder;
    default:
        return IsDenial(error) ? ErrAccessDenied : ErrOpenFailed;
    }
}

int OpenRetrying(const char* path, int flags) {
    int descriptor = -1;
    do {
        descriptor = open(path, flags, 0666);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

} // namespace

namespace Detail {

GSErrCode OpenDescriptor(const GS::UniString& location, bool create, Int32 openMode,
                         Int32 accessDeniedTreatment, int& descriptor) {
    const GS::UniString::CStr path = location.ToCStr(0, MaxUSize, GS::CC_UTF8);
    if (std::strlen(path.Get()) != path.GetLength()) {
        return ErrBadLocation; // a zero character would cut the path short
    }
    // O_NONBLOCK keeps a FIFO from blocking the open; it changes nothing for regular files.
    const int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (create ? O_CREAT : 0);
    int fd = OpenRetrying(path.Get(), common | AccessFlags(openMode));
    if (fd < 0 && IsDenial(errno) && accessDeniedTreatment == File::AccessDeniedRetryReadOnly &&
        openMode != File::ReadMode) {
        fd = OpenRetrying(path.Get(), (common & ~O_CREAT) | O_RDONLY);
    }
    if (fd < 0) {
        return OpenErrorOf(errno);
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const bool isFolder = S_ISDIR(status.st_mode);
        close(fd);
        return isFolder ? ErrIsAFolder : ErrNotAFile;
    }
    descriptor = fd;
    return NoError;
}

bool DescriptorSize(int descriptor, UInt64* size) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0)
        return false;
    *size = static_cast<UInt64>(status.st_size);
    return true;
}

Int64 ReadDescriptor(int descriptor, char* destination, UInt32 count) {
    ssize_t read = 0;
    do {
        read = ::read(descriptor, destination, std::min<std::size_t>(count, MaxReadChunk));
    } while (read < 0 && errno == EINTR);
    return read;
}

bool CloseDescriptor(int descriptor) {
    // On Linux the descriptor is released even when close is interrupted; it must not be retried.
    return close(descriptor) == 0 || errno == EINTR;
}

} // namespace Detail

} // namespace IO
