#include "GSRootHost.hpp"
#include "ModuleHost.hpp"
#include "RSHost.hpp"
#include "Win32Host.hpp"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

// Puts the probe module's static objects (through its debug lines), its Windows calls and its
// resource calls on one time line.
class ModuleOrder : public ::testing::Test {
protected:
    void SetUp() override {
        GS::Host::SetDebugSink([this](std::string_view text) { timeline.emplace_back(text); });
        Win32::Host::SetCallObserver(
            [this](std::string_view call, std::string_view) { timeline.emplace_back(call); });
        RS::Host::SetCallObserver(
            [this](std::string_view call, GSResModule) { timeline.emplace_back(call); });
    }
    void TearDown() override {
        GS::Host::SetDebugSink(nullptr);
        Win32::Host::SetCallObserver(nullptr);
        RS::Host::SetCallObserver(nullptr);
    }

    // Loads the probe and runs its entries up to Initialize, then ShutDown if asked, then unloads.
    void LoadRunAndUnload(bool shutDown) {
        void* handle =
            dlopen(Testing::ModuleHost::BuiltModulePath("OrderProbe.apx").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        auto* getExported =
            reinterpret_cast<GetExportedFuncAddrsProc*>(dlsym(handle, "GetExportedFuncAddrs"));
        auto* setImported =
            reinterpret_cast<SetImportedFuncAddrsProc*>(dlsym(handle, "SetImportedFuncAddrs"));
        API_EntryPointRecord entries{};
        getExported(&entries);
        const HostFunction table[HostFunctionTableSlots] = {};
        setImported(table);
        int hostObject = 0;
        entries.initialize(&hostObject);
        if (shutDown)
            entries.shutDown();
        dlclose(handle);
    }

    std::vector<std::string> timeline;
};

TEST_F(ModuleOrder, AttachFollowsStaticInitialisationAndDetachPrecedesStaticDestruction) {
    LoadRunAndUnload(true);
    const std::vector<std::string> expected = {
        "static object built, resource module -1\n",
        "RegisterWindowMessageW",
        "GetModuleFileNameW",
        "RSInitModuleImageCache",
        "RSRemoveModuleImageCache",
        "RS::ResModuleClosed",
        "static object destroyed, resource module -1\n",
    };
    EXPECT_EQ(timeline, expected);
}

TEST_F(ModuleOrder, AbnormalTerminationIsReportedBeforeStaticDestruction) {
    LoadRunAndUnload(false);
    ASSERT_GE(timeline.size(), 3u);
    EXPECT_EQ(timeline[timeline.size() - 3].rfind("Abnormal add-on termination (\"", 0), 0u);
    EXPECT_EQ(timeline[timeline.size() - 2], "\n");
    EXPECT_EQ(timeline.back(), "static object destroyed, resource module -1\n");
}

} // namespace
