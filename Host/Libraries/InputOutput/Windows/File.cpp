// Files through the C runtime's descriptors, which Windows keeps over its own handles; paths go
// to the system in UTF-16, as the location holds them.

#include "IO/File.hpp"

#include "FileSystem.hpp"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <string>

namespace IO {
namespace {

// _read moves at most INT_MAX bytes at once.
constexpr unsigned MaxReadChunk = 1u << 30;

int AccessFlags(Int32 openMode) {
    switch (openMode) {
    case File::WriteMode:
        return _O_WRONLY;
    case File::ReadWriteMode:
        return _O_RDWR;
    default:
        return _O_RDONLY;
    }
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Windows refuses to open a folder as a file with "access denied".
GSErrCode OpenErrorOf(int error, const std::wstring& path) {
    if (error == ENOENT)
        return ErrFileNotFound;
    if (error == EACCES)
        return IsFolder(path) ? ErrIsAFolder : ErrAccessDenied;
    return error == EISDIR ? ErrIsAFolder : ErrOpenFailed;
}

int OpenFile(const std::wstring& path, int flags) {
    return _wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

} // namespace

namespace Detail {

GSErrCode OpenDescriptor(const GS::UniString& location, bool create, Int32 openMode,
                         Int32 accessDeniedTreatment, int& descriptor) {
    const std::wstring path(location.ToUStr(), location.ToUStr() + location.GetLength());
    if (path.find(L'\0') != std::wstring::npos) {
        return ErrBadLocation; // a zero character would cut the path short
    }
    const int common = create ? _O_CREAT : 0;
    int fd = OpenFile(path, common | AccessFlags(openMode));
    if (fd < 0 && errno == EACCES && !IsFolder(path) &&
        accessDeniedTreatment == File::AccessDeniedRetryReadOnly && openMode != File::ReadMode) {
        fd = OpenFile(path, _O_RDONLY);
    }
    if (fd < 0) {
        return OpenErrorOf(errno, path);
    }
    struct _stat64 status {};
    if (_fstat64(fd, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        _close(fd);
        return ErrNotAFile;
    }
    descriptor = fd;
    return NoError;
}

bool DescriptorSize(int descriptor, UInt64* size) {
    struct _stat64 status {};
    if (_fstat64(descriptor, &status) != 0)
        return false;
    *size = static_cast<UInt64>(status.st_size);
    return true;
}

Int64 ReadDescriptor(int descriptor, char* destination, UInt32 count) {
    return _read(descriptor, destination, std::min(count, MaxReadChunk));
}

bool CloseDescriptor(int descriptor) {
    return _close(descriptor) == 0;
}

} // namespace Detail

} // namespace IO
