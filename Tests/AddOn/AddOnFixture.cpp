#include "AddOnFixture.hpp"

#include "BindingState.hpp"
#include "PreferencesSeams.hpp"
#include "ResourceModule.hpp"

void AddOnFixture::SetUpTestSuite() {
    if (HostBinding::ModuleResourceId != InvalidResModule)
        return;
    // The built module stays loaded for the whole test program, as the source of the resources.
    HostBinding::ModuleResourceId =
        RSInitModuleImageCache(LoadResourceModule(Testing::ModuleHost::BuiltModulePath()));
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
