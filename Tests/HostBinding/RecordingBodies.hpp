#pragma once

// The add-on bodies that the binding under test reaches, recording what they saw.

#include "ACAPI/APIdefs.hpp"

#include <string>
#include <vector>

namespace Recording {

struct BodyCall {
    std::string body;
    void* hostContextSeen;
};

extern std::vector<BodyCall> bodyCalls;
extern GSErrCode nextResult;

// Puts the binding back into its state at load and clears the records.
void ResetBinding();

} // namespace Recording
