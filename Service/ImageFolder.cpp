#include "ImageFolder.hpp"

#include "Ids.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace kavelo {

namespace {

constexpr std::string_view kExtension = ".jpg";
constexpr std::string_view kPartial = ".part";

[[noreturn]] void ThrowErrno(const std::string& what, const std::filesystem::path& path) {
    throw std::system_error(errno, std::generic_category(), what + " " + path.string());
}

// Closes a descriptor on every path out of a scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

void WriteAll(int fd, std::string_view bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("cannot write", path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void SyncFolder(const std::filesystem::path& folder) {
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0 || ::fsync(fd.Get()) != 0)
        ThrowErrno("cannot sync", folder);
}

} // namespace

ImageFolder::ImageFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
}

std::filesystem::path ImageFolder::PathOf(std::string_view id) const {
    if (!IsImageId(id))
        throw std::invalid_argument("not an image id");
    return folder_ / (std::string(id) + std::string(kExtension));
}

void ImageFolder::Write(std::string_view id, std::string_view bytes) const {
    const std::filesystem::path target = PathOf(id);
    std::filesystem::path partial = target;
    partial += kPartial;
    try {
        Descriptor fd(::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd.Get() < 0)
            ThrowErrno("cannot create", partial);
        WriteAll(fd.Get(), bytes, partial);
        if (::fsync(fd.Get()) != 0)
            ThrowErrno("cannot sync", partial);
        if (::close(fd.Release()) != 0)
            ThrowErrno("cannot close", partial);
        if (::rename(partial.c_str(), target.c_str()) != 0)
            ThrowErrno("cannot rename", partial);
        SyncFolder(folder_);
    } catch (...) {
        ::unlink(partial.c_str());
        ::unlink(target.c_str());
        throw;
    }
}

void ImageFolder::Remove(std::string_view id) const noexcept {
    if (IsImageId(id))
        ::unlink(PathOf(id).c_str());
}

std::size_t ImageFolder::RemoveStray(const std::function<bool(std::string_view id)>& isRecorded) const {
    std::size_t removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        const std::string name = entry.path().filename().string();
        const std::string_view stem = std::string_view(name).substr(0, name.size() - kExtension.size());
        const bool unrecorded = name.ends_with(kExtension) && IsImageId(stem) && !isRecorded(stem);
        if (!unrecorded && !name.ends_with(kPartial))
            continue; // a recorded picture, or not ours
        std::filesystem::remove(entry.path());
        ++removed;
    }
    if (removed > 0)
        SyncFolder(folder_);
    return removed;
}

} // namespace kavelo
