#include "IdleCollector.hpp"
#include "TranscriptReader.hpp"

#include "GarbageCollectorHost.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace Workbench;
using WorkbenchTest::EventsNamed;
using WorkbenchTest::ParseTranscript;

// Counts its deletions, so a test sees which run deleted it.
class Disposable : public GS::DisposableObject {
public:
    explicit Disposable(int& deletions) : deleted(deletions) {
        SetGarbageCollector(GS::defaultGarbageCollector);
    }
    ~Disposable() override { ++deleted; }

private:
    int& deleted;
};

class WorkbenchIdleCollector : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GS::Host::RunGarbageCollector(), 0u) << "left over by another test"; }

    Disposable* MarkedObject() {
        auto* object = new Disposable(deletions);
        object->MarkAsDisposable();
        return object;
    }

    std::ostringstream lines, err;
    Transcript transcript{lines, err};
    IdleCollector collector{transcript};
    int deletions = 0;
};

TEST_F(WorkbenchIdleCollector, IdleRunsTellOnlyWhenTheyDeleteSomething) {
    collector.Idle();
    EXPECT_EQ(lines.str(), "");
    MarkedObject();
    MarkedObject();
    EXPECT_EQ(collector.Pending(), 2u);
    collector.Idle();
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(collector.Pending(), 0u);
    const auto collected = EventsNamed(ParseTranscript(lines.str()), "garbage-collected");
    ASSERT_EQ(collected.size(), 1u);
    EXPECT_EQ(collected[0].Number("count"), 2);
    EXPECT_EQ(collected[0].Text("trigger"), "idle");
}

TEST_F(WorkbenchIdleCollector, AHeldCollectorWaitsForAnExplicitRunOrItsRelease) {
    collector.Hold(true);
    EXPECT_TRUE(collector.Held());
    MarkedObject();
    collector.Idle();
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(collector.Pending(), 1u);
    EXPECT_EQ(collector.Run(), 1u);
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(collector.Run(), 0u) << "an explicit run is told even when it deletes nothing";
    MarkedObject();
    collector.Hold(false);
    collector.Idle();
    EXPECT_EQ(deletions, 2);

    const auto events = ParseTranscript(lines.str());
    const auto holds = EventsNamed(events, "gc-hold");
    ASSERT_EQ(holds.size(), 2u);
    EXPECT_TRUE(holds[0].Flag("held"));
    EXPECT_EQ(holds[0].Number("pending"), 0);
    EXPECT_FALSE(holds[1].Flag("held"));
    EXPECT_EQ(holds[1].Number("pending"), 1);
    const auto collected = EventsNamed(events, "garbage-collected");
    ASSERT_EQ(collected.size(), 3u);
    EXPECT_EQ(collected[0].Number("count"), 1);
    EXPECT_EQ(collected[0].Text("trigger"), "explicit");
    EXPECT_EQ(collected[1].Number("count"), 0);
    EXPECT_EQ(collected[2].Text("trigger"), "idle");
}

TEST_F(WorkbenchIdleCollector, AnObjectItsOwnerDeletedIsNotCollected) {
    collector.Hold(true);
    delete MarkedObject();
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(collector.Run(), 0u);
    EXPECT_EQ(deletions, 1);
}

} // namespace
