#include "FileSystem.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Workbench::Scene::FileSystem {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

std::error_code Opened(int result, int& descriptor) {
    descriptor = result;
    return result < 0 ? LastError() : std::error_code();
}

} // namespace

std::error_code OpenToRead(const std::filesystem::path& path, int& descriptor) {
    return Opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC), descriptor);
}

std::error_code CreateNew(const std::filesystem::path& path, int& descriptor) {
    // The permissions a new file gets: the umask applies.
    return Opened(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666), descriptor);
}

std::error_code Examine(int descriptor, bool& regular, std::uint64_t& size) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        return LastError();
    regular = S_ISREG(status.st_mode);
    size = static_cast<std::uint64_t>(status.st_size);
    return {};
}

std::error_code ReadSome(int descriptor, unsigned char* buffer, std::size_t size, std::size_t& got) {
    for (;;) {
        const ssize_t read = ::read(descriptor, buffer, size);
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
        const ssize_t wrote = ::write(descriptor, data, size);
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
    return ::close(descriptor) == 0 ? std::error_code() : LastError();
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

} // namespace Workbench::Scene::FileSystem
