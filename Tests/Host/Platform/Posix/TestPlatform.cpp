// The tests' system calls on POSIX: dlopen, file modes, FIFOs and /proc.

#include "TestPlatform.hpp"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

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
    fs::permissions(path, what == Everything ? fs::perms::none : fs::perms::owner_read);
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

} // namespace HostTest
