#pragma once

#include "GSRoot/ObjectState.hpp"
#include "GSRoot/UniString.hpp"

namespace JSON {

// A JSON object holding the object state's members as strings.
GSErrCode CreateFromObjectState(const GS::ObjectState& objectState, GS::UniString& json, bool pretty);

// Reads the string members of a JSON object into the object state; other members are skipped.
// A text that is no JSON object answers a non-zero code and leaves the object state unchanged.
GSErrCode ConvertToObjectState(const GS::UniString& json, GS::ObjectState& objectState);

} // namespace JSON
