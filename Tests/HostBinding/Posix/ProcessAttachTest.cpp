#include "ACAPI/ACAPinc.hpp"
#include "BindingState.hpp"
#include "GSRootHost.hpp"
#include "RSHost.hpp"
#include "RecordingBodies.hpp"
#include "Win32Host.hpp"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace HostBinding;

const char ExecutableAnchor = 0;

class ProcessAttach : public ::testing::Test {
protected:
    void SetUp() override {
        Recording::ResetBinding();
        GS::Host::SetDebugSink([this](std::string_view text) { debugText += text; });
        Win32::Host::SetCallObserver([this](std::string_view call, std::string_view argument) {
            events.push_back(std::string(call) + " " + std::string(argument));
        });
        RS::Host::SetCallObserver([this](std::string_view call, GSResModule resModule) {
            events.push_back(std::string(call) + " " + std::to_string(resModule));
        });
        hookCalls = 0;
    }

    void TearDown() override {
        GS::Host::SetDebugSink(nullptr);
        Win32::Host::SetCallObserver(nullptr);
        RS::Host::SetCallObserver(nullptr);
        Recording::ResetBinding();
    }

    static std::string ExecutablePath() {
        Dl_info info{};
        dladdr(&ExecutableAnchor, &info);
        return info.dli_fname;
    }

    static HINSTANCE ExecutableBase() {
        Dl_info info{};
        dladdr(&ExecutableAnchor, &info);
        return info.dli_fbase;
    }

    static void Hook() {
        ++hookCalls;
        hookSawDebugText = currentDebugText != nullptr ? *currentDebugText : std::string();
    }

    std::string debugText;
    std::vector<std::string> events;
    int hostObject = 0;
    static inline int hookCalls = 0;
    static inline std::string hookSawDebugText;
    static inline const std::string* currentDebugText = nullptr;
};

TEST_F(ProcessAttach, AttachRegistersTheMessageThenReadsThePathThenOpensResources) {
    ASSERT_EQ(DllMain(ExecutableBase(), DLL_PROCESS_ATTACH, nullptr), TRUE);

    // The test program carries no resource section, so the resource module stays -1.
    const std::vector<std::string> expected = {"RegisterWindowMessageW commdlg_FileNameOK",
                                               "GetModuleFileNameW " + ExecutablePath(),
                                               "RSInitModuleImageCache -1"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(ModuleInstance, ExecutableBase());
    EXPECT_EQ(GS::UniString(ModuleFilePath).ToCStr().Get(), ExecutablePath());
    EXPECT_EQ(ModuleResourceId, InvalidResModule);
    EXPECT_TRUE(debugText.empty());
}

// The longest path the buffer holds is kept whole; one unit more and the module stays unnamed.
TEST_F(ProcessAttach, APathTheBufferCannotHoldWholeLeavesTheNameEmpty) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::absolute(fs::path(testing::TempDir()) / ("kavelo-attach-" + std::to_string(getpid())));
    for (const std::size_t length : {std::size_t(MAX_PATH) - 1, std::size_t(MAX_PATH)}) {
        fs::path path = folder;
        while (path.native().size() + 1 + 100 + 3 < length)
            path /= std::string(100, 'd');
        path /= std::string(length - path.native().size() - 1 - 3, 'p') + ".so";
        ASSERT_EQ(path.native().size(), length);
        fs::create_directories(path.parent_path());
        fs::copy_file(KAVELO_PROBE_MODULE, path, fs::copy_options::overwrite_existing);
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        Dl_info info{};
        ASSERT_NE(dladdr(dlsym(library, "Win32ProbeModuleMarker"), &info), 0);

        ASSERT_EQ(DllMain(static_cast<HINSTANCE>(info.dli_fbase), DLL_PROCESS_ATTACH, nullptr), TRUE);
        EXPECT_EQ(GS::UniString(ModuleFilePath).ToCStr().Get(), length < MAX_PATH ? path.string() : "");
        dlclose(library);
    }
    fs::remove_all(folder);
}

TEST_F(ProcessAttach, DetachReleasesTheResourceModuleInOrderAndPrintsNothingAfterShutDown) {
    ModuleResourceId = 42;
    ASSERT_EQ(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr), TRUE);
    const std::vector<std::string> expected = {"RSRemoveModuleImageCache 42", "RS::ResModuleClosed 42"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(ModuleResourceId, InvalidResModule);
    EXPECT_TRUE(debugText.empty());
}

TEST_F(ProcessAttach, DetachWithoutResourceModuleReleasesNothing) {
    DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    EXPECT_TRUE(events.empty());
}

TEST_F(ProcessAttach, DetachWhileRunningReportsAbnormalTermination) {
    DllMain(ExecutableBase(), DLL_PROCESS_ATTACH, nullptr);
    HostContext = &hostObject;
    DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    EXPECT_EQ(debugText, "Abnormal add-on termination (\"" + ExecutablePath() + "\")\n");
    EXPECT_EQ(HostContext, nullptr);
}

TEST_F(ProcessAttach, DetachWhileRunningCallsTheHookAfterSayingSo) {
    DllMain(ExecutableBase(), DLL_PROCESS_ATTACH, nullptr);
    ACAPI_SetDllTermHookProc(Hook);
    currentDebugText = &debugText;
    HostContext = &hostObject;
    DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    currentDebugText = nullptr;

    const std::string expected =
        "Abnormal add-on termination (\"" + ExecutablePath() + "\"), calling custom DllTermHookProc\n";
    EXPECT_EQ(debugText, expected);
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(hookSawDebugText, expected);
    EXPECT_EQ(HostContext, nullptr);
}

TEST_F(ProcessAttach, ThreadNotificationsDoNothing) {
    HostContext = &hostObject;
    ModuleResourceId = 7;
    EXPECT_EQ(DllMain(nullptr, DLL_THREAD_ATTACH, nullptr), TRUE);
    EXPECT_EQ(DllMain(nullptr, DLL_THREAD_DETACH, nullptr), TRUE);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(HostContext, &hostObject);
    EXPECT_EQ(ModuleResourceId, 7);
}

} // namespace
