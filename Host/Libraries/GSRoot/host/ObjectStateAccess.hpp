#pragma once

// The host libraries' view of GS::ObjectState's members, for the JSON converter; the add-on sees
// only Add and Get.

#include "GSRoot/ObjectState.hpp"

#include <string_view>

namespace GS {

struct ObjectStateMember {
    std::string_view name;
    std::string_view value; // UTF-8
};

class ObjectStateAccess {
public:
    static USize GetMemberCount(const ObjectState& state);
    // Members in insertion order; the views stay valid until the object state changes. Throws
    // std::out_of_range for an index at or past the member count.
    static ObjectStateMember GetMember(const ObjectState& state, UIndex index);
    // Adds or replaces a text member. Either may hold any bytes, zero bytes included. Throws
    // std::bad_alloc or std::length_error as GS strings do, leaving the state as it was.
    static void AddMember(ObjectState& state, std::string_view name, std::string_view value);
};

} // namespace GS
