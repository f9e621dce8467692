#include "FileSystem.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace HostFiles::FileSystem {

namespace {

// read(2) and write(2) move at most about 2 GiB at once.
constexpr std::size_t MaxChunk = std::size_t(1) << 30;

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// Indexed by Access and by Creation.
constexpr int AccessFlags[] = {O_RDONLY, O_WRONLY, O_RDWR};
constexpr int CreationFlags[] = {0, O_CREAT, O_CREAT | O_EXCL};

} // namespace

std::error_code Open(const std::filesystem::path& path, OpenMode mode, int& descriptor) {
    const int flags = AccessFlags[int(mode.access)] | CreationFlags[int(mode.creation)] | O_CLOEXEC |
                      O_NOCTTY | (mode.withoutWaiting ? O_NONBLOCK : 0);
    // The permissions a new file gets: the umask applies.
    do {
        descriptor = ::open(path.c_str(), flags, 0666);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor < 0 ? LastError() : std::error_code();
}

std::error_code Examine(int descriptor, Kind& kind, std::uint64_t& size) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        return LastError();
    kind = S_ISREG(status.st_mode) ? Kind::Regular : S_ISDIR(status.st_mode) ? Kind::Folder : Kind::Other;
    size = static_cast<std::uint64_t>(status.st_size);
    return {};
}

std::error_code ReadSome(int descriptor, unsigned char* buffer, std::size_t size, std::size_t& got) {
    for (;;) {
        const ssize_t read = ::read(descriptor, buffer, std::min(size, MaxChunk));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return LastError();
        got = static_cast<std::size_t>(read);
        return {};
    }
}

std::error_code WriteSome(int descriptor, const unsigned char* data, std::size_t size, std::size_t& written) {
    for (;;) {
        const ssize_t wrote = ::write(descriptor, data, std::min(size, MaxChunk));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return LastError();
        written = static_cast<std::size_t>(wrote);
        return {};
    }
}

std::error_code Sync(int descriptor) {
    return ::fsync(descriptor) == 0 ? std::error_code() : LastError();
}

std::error_code Close(int descriptor) {
    // On Linux the descriptor is released even when close is interrupted; it must not be retried.
    return ::close(descriptor) == 0 || errno == EINTR ? std::error_code() : LastError();
}

std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code SyncFolder(const std::filesystem::path& folder) {
    const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return LastError();
    std::error_code error = Sync(directory);
    const std::error_code closing = Close(directory);
    return error ? error : closing;
}

std::error_code Remove(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

} // namespace HostFiles::FileSystem
