#include "AddOnFixture.hpp"

#include "BindingState.hpp"
#include "PreferencesSeams.hpp"

#include <dlfcn.h>
#include <stdexcept>

void AddOnFixture::SetUpTestSuite() {
    if (HostBinding::ModuleResourceId != InvalidResModule)
        return;
    // The built module stays loaded for the whole test program, as the source of the resources.
    void* module = dlopen(Testing::ModuleHost::BuiltModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        throw std::runtime_error(dlerror());
    Dl_info info{};
    dladdr(dlsym(module, "GetExportedFuncAddrs"), &info);
    HostBinding::ModuleResourceId = RSInitModuleImageCache(info.dli_fbase);
}

namespace {

Int64 StoppedClock() {
    return FixedClockFixture::Now;
}

} // namespace

void FixedClockFixture::SetUp() {
    AddOnFixture::SetUp();
    PreferencesSeams::SetClock(StoppedClock);
}

void FixedClockFixture::TearDown() {
    PreferencesSeams::SetClock(nullptr);
    AddOnFixture::TearDown();
}
