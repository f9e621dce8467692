#include "FileSystem.hpp"

namespace HostFiles::FileSystem {

std::error_code WriteAll(int descriptor, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        std::size_t written = 0;
        if (const std::error_code error = WriteSome(descriptor, data, size, written))
            return error;
        // A write of nothing would never end; the system reports no reason for it.
        if (written == 0)
            return std::make_error_code(std::errc::io_error);
        data += written;
        size -= written;
    }
    return {};
}

} // namespace HostFiles::FileSystem
