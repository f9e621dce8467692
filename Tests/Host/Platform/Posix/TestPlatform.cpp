// The tests' system calls on POSIX: dlopen, file modes, FIFOs, /proc, mmap and glibc's heap.

#include "TestPlatform.hpp"

#include <dlfcn.h>
#include <link.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace HostTest {

namespace fs = std::filesystem;

LoadedLibrary::LoadedLibrary(const fs::path& file) : handle(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle == nullptr)
        throw std::runtime_error("cannot load " + file.string() + ": " + dlerror());
}

LoadedLibrary::~LoadedLibrary() {
    dlclose(handle);
}

void* LoadedLibrary::Symbol(const char* name) const {
    return dlsym(handle, name);
}

void* LoadedLibrary::Instance() const {
    Dl_info info{};
    void* anyFunction = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &anyFunction) != 0)
        return nullptr;
    // The link map's load address lies at the start of the library's first mapping.
    const auto* map = static_cast<const struct link_map*>(anyFunction);
    return dladdr(reinterpret_cast<void*>(map->l_addr), &info) != 0 ? info.dli_fbase : nullptr;
}

void* InstanceOf(const void* address) {
    Dl_info info{};
    return address != nullptr && dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

DeniedAccess::DeniedAccess(const fs::path& denied, Denied what) : path(denied) {
    if (geteuid() == 0) {
        reason = "root opens files whatever their mode says";
        return;
    }
    kept = fs::status(path).permissions();
    constexpr fs::perms writing = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(path, what == Everything ? fs::perms::none : kept & ~writing);
}

DeniedAccess::~DeniedAccess() {
    if (reason.empty()) {
        std::error_code ignored;
        fs::permissions(path, kept, ignored);
    }
}

NamedPipe::NamedPipe(const fs::path& folder) : path(folder / "fifo") {
    if (mkfifo(path.c_str(), 0600) != 0)
        throw std::system_error(errno, std::generic_category(), "mkfifo " + path.string());
}

NamedPipe::~NamedPipe() {
    std::error_code ignored;
    fs::remove(path, ignored);
}

fs::path NullDevice() {
    return "/dev/null";
}

std::size_t OpenHandleCount() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

GuardedBytes::GuardedBytes(std::size_t size) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t readable = (size + page - 1) / page * page;
    mappingSize = readable + page;
    mapping = mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::system_error(errno, std::generic_category(), "mmap");
    auto* guard = static_cast<unsigned char*>(mapping) + readable;
    if (mprotect(guard, page, PROT_NONE) != 0) {
        const int error = errno;
        munmap(mapping, mappingSize);
        throw std::system_error(error, std::generic_category(), "mprotect");
    }
    bytes = {guard - size, size};
}

GuardedBytes::~GuardedBytes() {
    munmap(mapping, mappingSize);
}

std::size_t HeapBytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace HostTest
