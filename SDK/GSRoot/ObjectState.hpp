#pragma once

#include "GSRoot/String.hpp"
#include "GSRoot/UniString.hpp"

namespace GS {

// A set of named values, the exchange form of the JSON converter. Members keep their insertion
// order; only text members are kept.
class ObjectState {
public:
    ObjectState();
    ObjectState(const ObjectState&) = delete;
    ObjectState& operator=(const ObjectState&) = delete;
    ~ObjectState();

    // Adds or replaces a text member; the value is 8-bit (UTF-8) text.
    bool Add(const String& name, const char* value);
    // False, with value untouched, when there is no text member of that name.
    bool Get(const String& name, UniString& value) const;

private:
    friend class ObjectStateAccess; // the host libraries' view of the members
    class Impl;
    Impl* impl;
};

} // namespace GS
