#pragma once

// Checks between resources: no type and id twice, every dialog paired with its item names, and
// every icon that a dialog or a menu string refers to defined.

#include "ResourceScript.hpp"

namespace ResourceCompiler {

// Throws CompileError at the first resource that breaks a rule.
void Validate(const ResourceScript& script);

} // namespace ResourceCompiler
