#pragma once

#include "GSRoot/Definitions.hpp"

// The symbolic name of a host error code, or "Unknown Error"; constant text of static lifetime.
const char* ErrorName(GSErrCode code);

// Shows "<caption>: <error name>" in the host's report alert, then beeps.
void ErrorReport(const char* caption, GSErrCode code);
