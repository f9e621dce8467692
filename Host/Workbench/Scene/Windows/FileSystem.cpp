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

namespace Workbench::Scene::FileSystem {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

std::error_code LastSystemError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

std::error_code Opened(int result, int& descriptor) {
    descriptor = result;
    return result < 0 ? LastError() : std::error_code();
}

// _read and _write move at most INT_MAX bytes at once.
unsigned Chunk(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
}

} // namespace

// Windows refuses to open a folder as a file ("access denied"); it is opened as a folder instead, so
// that Examine tells the caller what stands there, as on POSIX.
std::error_code OpenToRead(const std::filesystem::path& path, int& descriptor) {
    const std::error_code error =
        Opened(_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT), descriptor);
    std::error_code ignored;
    if (error != std::errc::permission_denied || !std::filesystem::is_directory(path, ignored))
        return error;
    const HANDLE folder =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return error;
    descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(folder), _O_RDONLY);
    if (descriptor < 0) {
        CloseHandle(folder);
        return error;
    }
    return {};
}

std::error_code CreateNew(const std::filesystem::path& path, int& descriptor) {
    return Opened(
        _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE),
        descriptor);
}

// The C runtime's _fstat64 calls a folder's handle a regular file; the handle's attributes do not.
std::error_code Examine(int descriptor, bool& regular, std::uint64_t& size) {
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (file == INVALID_HANDLE_VALUE)
        return LastError();
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        regular = false;
        size = 0;
        return {};
    }
    if (!GetFileInformationByHandle(file, &information))
        return LastSystemError();
    regular = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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

} // namespace Workbench::Scene::FileSystem
