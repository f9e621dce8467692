#pragma once

#include "GSRoot/Definitions.hpp"
#include "GSRoot/UniString.hpp"

// The resource manager: resources come from the resource section of a module file.

using GSResModule = Int64;
using GSResID = Int16;

constexpr GSResModule InvalidResModule = -1;

// moduleInstance is the loaded module's base address (its instance handle). Answers
// InvalidResModule when the module's file has no readable resource section.
GSResModule RSInitModuleImageCache(void* moduleInstance);
void RSRemoveModuleImageCache(GSResModule resModule);

namespace RS {
void ResModuleClosed(GSResModule resModule);
}

// Item `index` (from 1) of string list resource `resID` ('STRS'), language block 1033.
// False, with *string untouched, when the resource or item does not exist.
bool RSGetIndString_ParamAdapter(GS::UniString* string, GSResID resID, Int32 index, GSResModule resModule);
