#pragma once

#include "FileSystem.hpp"

namespace HostFiles {

// An open file descriptor, closed on every path out of its scope.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor() {
        if (fd >= 0)
            FileSystem::Close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return fd; }

    // Closing reports the last write errors on some file systems, so it is checked, not left to
    // the destructor.
    std::error_code Close() {
        const int closing = fd;
        fd = -1;
        return FileSystem::Close(closing);
    }

private:
    int fd;
};

} // namespace HostFiles
