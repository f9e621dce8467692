#pragma once

// The members of an object state as (name, UTF-8 value) pairs in insertion order, for comparisons.

#include "ObjectStateAccess.hpp"

#include <string>
#include <utility>
#include <vector>

namespace Testing {

using Members = std::vector<std::pair<std::string, std::string>>;

inline Members MembersOf(const GS::ObjectState& state) {
    Members members;
    for (UIndex i = 0; i < GS::ObjectStateAccess::GetMemberCount(state); ++i) {
        const GS::ObjectStateMember member = GS::ObjectStateAccess::GetMember(state, i);
        members.emplace_back(member.name, member.value);
    }
    return members;
}

} // namespace Testing
