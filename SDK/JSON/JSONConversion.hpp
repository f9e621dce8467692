#pragma once

#include "GSRoot/ObjectState.hpp"
#include "GSRoot/UniString.hpp"

namespace JSON {

// Answers other than NoError.
constexpr GSErrCode ErrMalformedJSON = GSErrCode(0x81000301); // also nesting deeper than 1024
constexpr GSErrCode ErrNotAnObject = GSErrCode(0x81000302);   // well-formed, but no object at the top
constexpr GSErrCode ErrTextTooLong = GSErrCode(0x81000303);   // more than 4 GiB - 2 units

// A JSON object holding the object state's members as strings, in their order; pretty puts each
// member on a line of its own. Running out of memory throws std::bad_alloc, as GS strings do.
GSErrCode CreateFromObjectState(const GS::ObjectState& objectState, GS::UniString& json, bool pretty);

// Reads the string members of a JSON object into the object state, adding or replacing them; other
// members are skipped. A text that is no JSON object answers a non-zero code and leaves the object
// state unchanged. Running out of memory throws std::bad_alloc.
GSErrCode ConvertToObjectState(const GS::UniString& json, GS::ObjectState& objectState);

} // namespace JSON
