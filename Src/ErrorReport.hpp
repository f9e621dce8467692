#pragma once

#include "GSRoot/Definitions.hpp"
#include "GSUtils/GSUtils.hpp"

#include <new>

// The symbolic name of a host error code, or "Unknown Error"; constant text of static lifetime.
const char* ErrorName(GSErrCode code);

// Shows "<caption>: <error name>" in the host's report alert, then beeps.
void ErrorReport(const char* caption, GSErrCode code);

// Runs a command at a host callback. Out of memory ends the command where it struck, with a beep,
// all the user can still get: no exception leaves into the host.
template <typename Command>
void RunCommand(const Command& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        GSSysBeep();
    }
}
