#include "GSRoot/ObjectState.hpp"

#include "MemoryProbe.hpp"
#include "ObjectStateAccess.hpp"
#include "ObjectStateMembers.hpp"
#include "TextOf.hpp"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using GS::ObjectState;
using GS::ObjectStateAccess;
using Testing::Members;
using Testing::MembersOf;

TEST(ObjectState, GetsWhatWasAddedAsUnicode) {
    ObjectState state;
    EXPECT_TRUE(state.Add("name", "Archicad export \xE2\x82\xAC"));
    GS::UniString value;
    EXPECT_TRUE(state.Get("name", value));
    EXPECT_EQ(UnitsOf(value), u"Archicad export \u20ac");
    EXPECT_TRUE(state.Add("empty", ""));
    EXPECT_TRUE(state.Get("empty", value));
    EXPECT_TRUE(value.IsEmpty());
}

TEST(ObjectState, MissingMemberLeavesTheValueAlone) {
    ObjectState state;
    state.Add("id", "abc");
    GS::UniString value("untouched");
    EXPECT_FALSE(state.Get("ID", value)); // names are compared byte for byte
    EXPECT_FALSE(state.Get("", value));
    EXPECT_EQ(UnitsOf(value), u"untouched");
}

TEST(ObjectState, AddingAgainReplacesInPlace) {
    ObjectState state;
    state.Add("a", "1");
    state.Add("b", "2");
    state.Add("a", "3");
    EXPECT_EQ(MembersOf(state), (Members{{"a", "3"}, {"b", "2"}}));
}

TEST(ObjectState, NullValueIsRefused) {
    ObjectState state;
    EXPECT_FALSE(state.Add("a", nullptr));
    EXPECT_EQ(ObjectStateAccess::GetMemberCount(state), 0u);
}

TEST(ObjectState, IllFormedUtf8ReadsAsReplacementCharacters) {
    ObjectState state;
    state.Add("a", "x\xFFy");
    GS::UniString value;
    state.Get("a", value);
    EXPECT_EQ(UnitsOf(value), u"x\ufffdy");
}

TEST(ObjectStateAccess, ListsMembersInInsertionOrderWithAnyBytes) {
    ObjectState state;
    state.Add("source", "archicad");
    ObjectStateAccess::AddMember(state, std::string_view("a\0b", 3), std::string_view("x\0y", 3));
    ObjectStateAccess::AddMember(state, "a", "plain");
    EXPECT_EQ(
        MembersOf(state),
        (Members{{"source", "archicad"}, {std::string("a\0b", 3), std::string("x\0y", 3)}, {"a", "plain"}}));
    GS::UniString value;
    EXPECT_TRUE(state.Get(GS::String("a\0b", 3), value));
    EXPECT_EQ(UnitsOf(value), std::u16string(u"x\0y", 3));
    EXPECT_THROW(ObjectStateAccess::GetMember(state, 3), std::out_of_range);
}

TEST(ObjectStateMemory, EverythingLivesInTheHostAllocatorAndIsReleased) {
    MemoryProbe probe;
    {
        ObjectState state;
        EXPECT_GE(probe.LiveBlocks(), 1);
        state.Add("image", std::string(100000, 'A').c_str());
        EXPECT_GE(probe.LiveBytes(), 100000);
    }
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

TEST(ObjectStateMemory, EachFailedAllocationThrowsAndLeavesTheStateAsItWas) {
    ObjectState state;
    for (int i = 0; i < 8; ++i) {
        state.Add(GS::String(std::to_string(i).c_str()), "old"); // fills the first block of members
    }
    const Members before = MembersOf(state);
    bool completed = false;
    for (UInt64 failing = 1; !completed; ++failing) {
        ASSERT_LT(failing, 20u) << "Add never completed";
        MemoryProbe probe;
        GS::Host::FailNthAllocation(failing);
        try {
            state.Add("8", "new"); // needs both strings and a larger block of members
            completed = true;
        } catch (const std::bad_alloc&) {
            EXPECT_EQ(MembersOf(state), before) << "allocation " << failing;
            EXPECT_EQ(probe.LiveBlocks(), 0) << "allocation " << failing;
        }
    }
    EXPECT_EQ(ObjectStateAccess::GetMemberCount(state), 9u);
    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(ObjectState(), std::bad_alloc);
    GS::Host::FailNthAllocation(0);
}

} // namespace
