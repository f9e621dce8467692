// An ELF module's resources are in a section of its file, which the loader does not map.

#include "RSHost.hpp"

#include <dlfcn.h>

namespace RS::Host {

ResourceFile ResourceFile::FromModule(void* moduleInstance) {
    Dl_info info{};
    if (moduleInstance == nullptr || dladdr(moduleInstance, &info) == 0 || info.dli_fname == nullptr ||
        *info.dli_fname == '\0')
        throw ResourceError("no loaded module lies at the given instance address");
    return Load(info.dli_fname);
}

} // namespace RS::Host
