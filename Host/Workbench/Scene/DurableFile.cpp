#include "DurableFile.hpp"
#include "FileDescriptor.hpp"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace Workbench::Scene {

namespace {

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

// What failed, with the reason errno gives; errno is read before anything can change it.
std::string Because(std::string_view step, const std::filesystem::path& path, std::string_view rest = "") {
    const int reason = errno;
    return std::string(step) + " " + Quoted(path) + std::string(rest) + ": " +
           std::generic_category().message(reason);
}

FileResult CannotSave(const std::filesystem::path& target, const std::string& reason) {
    return {"cannot save " + Quoted(target) + ": " + reason};
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

// Creates the temporary file with the permissions a new file gets (umask applies), under a name no
// other writer in this or another process picks.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        temporary = target;
        temporary.replace_filename("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                                   std::to_string(counter++) + ".partial");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
}

// Puts what `fill` writes to the descriptor in place of `target`; `fill` returns an error text or "".
template <class Fill>
FileResult ReplaceDurably(const std::filesystem::path& target, Durability durability, Fill fill) {
    const bool synced = durability == Durability::Synced;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::filesystem::path temporary;
    Descriptor file(CreateTemporary(target, temporary));
    if (file.Get() < 0)
        return CannotSave(target, Because("cannot create a file in", folder));

    std::string error = fill(file.Get(), temporary);
    if (error.empty() && synced && ::fsync(file.Get()) != 0)
        error = Because("cannot sync", temporary);
    if (!file.Close() && error.empty())
        error = Because("cannot close", temporary);
    if (error.empty() && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = Because("cannot rename", temporary, " to it");
    if (!error.empty()) {
        ::unlink(temporary.c_str());
        return CannotSave(target, error);
    }

    if (!synced)
        return {};
    // The rename itself lasts only once the folder is synced.
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() < 0 || ::fsync(directory.Get()) != 0)
        return CannotSave(target, Because("cannot sync the folder", folder));
    return {};
}

} // namespace

FileResult WriteFileDurably(const std::filesystem::path& target, std::span<const unsigned char> bytes,
                            Durability durability) {
    return ReplaceDurably(target, durability, [&](int fd, const std::filesystem::path& temporary) {
        return WriteAll(fd, bytes.data(), bytes.size()) ? std::string() : Because("cannot write", temporary);
    });
}

FileResult CopyFileDurably(const std::filesystem::path& source, const std::filesystem::path& target,
                           Durability durability) {
    Descriptor input(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (input.Get() < 0)
        return CannotSave(target, Because("cannot open", source));
    return ReplaceDurably(target, durability, [&](int fd, const std::filesystem::path& temporary) {
        unsigned char buffer[1 << 16];
        for (;;) {
            const ssize_t got = ::read(input.Get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return Because("cannot read", source);
            if (got == 0)
                return std::string();
            if (!WriteAll(fd, buffer, std::size_t(got)))
                return Because("cannot write", temporary);
        }
    });
}

} // namespace Workbench::Scene
