// Descriptors of the C runtime over Windows' own handles; paths go to the system in UTF-16. The
// durable steps are Windows' own: FlushFileBuffers for a file's bytes, and MoveFileExW with
// MOVEFILE_WRITE_THROUGH, which returns only once the move is on the disk.

#include "FileSystem.hpp"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>

namespace HostFiles::FileSystem {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

std::error_code LastSystemError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

// _read and _write move at most INT_MAX bytes at once.
unsigned Chunk(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
}

// Indexed by Access and by Creation.
constexpr int AccessFlags[] = {_O_RDONLY, _O_WRONLY, _O_RDWR};
constexpr int CreationFlags[] = {0, _O_CREAT, _O_CREAT | _O_EXCL};

// A folder as a descriptor, to read what it is.
std::error_code OpenFolder(const std::filesystem::path& path, int& descriptor) {
    const HANDLE folder =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder != INVALID_HANDLE_VALUE) {
        descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(folder), _O_RDONLY);
        if (descriptor >= 0)
            return {};
        CloseHandle(folder);
    }
    return std::make_error_code(std::errc::is_a_directory);
}

} // namespace

// Windows refuses to open a folder as a file ("access denied"); it answers as POSIX does instead.
std::error_code Open(const std::filesystem::path& path, OpenMode mode, int& descriptor) {
    descriptor =
        _wopen(path.c_str(),
               AccessFlags[int(mode.access)] | CreationFlags[int(mode.creation)] | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
    if (descriptor >= 0)
        return {};
    const std::error_code error = LastError();
    std::error_code ignored;
    if (error != std::errc::permission_denied || !std::filesystem::is_directory(path, ignored))
        return error;
    if (mode.access != Access::Read)
        return std::make_error_code(std::errc::is_a_directory);
    return OpenFolder(path, descriptor);
}

// The C runtime's _fstat64 calls a folder's handle a regular file; the handle's attributes do not.
std::error_code Examine(int descriptor, Kind& kind, std::uint64_t& size) {
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (file == INVALID_HANDLE_VALUE)
        return LastError();
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        kind = Kind::Other;
        size = 0;
        return {};
    }
    if (!GetFileInformationByHandle(file, &information))
        return LastSystemError();
    kind = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::Folder : Kind::Regular;
    size = static_cast<std::uint64_t>(information.nFileSizeHigh) << 32 | information.nFileSizeLow;
    return {};
}

std::error_code ReadSome(int descriptor, unsigned char* buffer, std::size_t size, std::size_t& got) {
    const int read = _read(descriptor, buffer, Chunk(size));
    if (read < 0)
        return LastError();
    got = static_cast<std::size_t>(read);
    return {};
}

std::error_code WriteSome(int descriptor, const unsigned char* data, std::size_t size, std::size_t& written) {
    const int wrote = _write(descriptor, data, Chunk(size));
    if (wrote < 0)
        return LastError();
    written = static_cast<std::size_t>(wrote);
    return {};
}

std::error_code Sync(int descriptor) {
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (file == INVALID_HANDLE_VALUE)
        return LastError();
    return FlushFileBuffers(file) ? std::error_code() : LastSystemError();
}

std::error_code Close(int descriptor) {
    return _close(descriptor) == 0 ? std::error_code() : LastError();
}

std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? std::error_code()
               : LastSystemError();
}

// Windows keeps no folder handle to flush: the file system journals a folder's entries itself, and
// the write-through move has waited for them.
std::error_code SyncFolder(const std::filesystem::path&) {
    return {};
}

std::error_code Remove(const std::filesystem::path& path) {
    return _wremove(path.c_str()) == 0 ? std::error_code() : LastError();
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(_getpid());
}

} // namespace HostFiles::FileSystem
