#include "GSRootHost.hpp"
#include "ModuleHost.hpp"
#include "RSHost.hpp"
#include "Win32Host.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records the probe module's static objects (through its debug lines), its Windows calls and its
// resource calls on one time line.
class ModuleOrder : public ::testing::Test {
protected:
    void SetUp() override
    {
        Win32::Host::SetCallObserver([this](std::string_view call, std::string_view) { Note(std::string(call)); });
        RS::Host::SetCallObserver([this](std::string_view call, GSResModule) { Note(std::string(call)); });
    }
    void TearDown() override
    {
        Win32::Host::SetCallObserver(nullptr);
        RS::Host::SetCallObserver(nullptr);
    }

    void Note(std::string event)
    {
        if (host != nullptr)
            FlushDebugLines();
        timeline.push_back(std::move(event));
    }

    void FlushDebugLines()
    {
        for (std::string& line : host->debugLines)
            timeline.push_back(std::move(line));
        host->debugLines.clear();
    }

    std::vector<std::string> timeline;
    Testing::ModuleHost* host = nullptr;
};

TEST_F(ModuleOrder, AttachFollowsStaticInitialisationAndDetachPrecedesStaticDestruction)
{
    {
        Testing::ModuleHost probe(Testing::ModuleHost::BuiltModulePath("OrderProbe.apx"));
        host = &probe;
        FlushDebugLines();
        probe.Start();
        EXPECT_EQ(probe.ShutDown(), NoError);
        // Unloading sends the last debug line after the host's sink is gone, so listen here.
        GS::Host::SetDebugSink([this](std::string_view text) { timeline.emplace_back(text); });
        host = nullptr;
    }
    GS::Host::SetDebugSink(nullptr);

    ASSERT_FALSE(timeline.empty());
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

} // namespace
