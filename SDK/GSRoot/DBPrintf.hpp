#pragma once

#include "GSRoot/Compiler.hpp"

// Debug text for the host's debug output; never shown to the user.
void DBPrintf(const char* format, ...) GS_PRINTF_FORMAT(1, 2);
