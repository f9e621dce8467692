#pragma once

// Reads the token stream into resources, checking each one's own shape and ranges.
// Checks between resources (duplicates, references) are Validate's.

#include "Lexer.hpp"
#include "ResourceScript.hpp"

#include <vector>

namespace ResourceCompiler {

// Throws CompileError at the first token that does not fit.
ResourceScript Parse(const std::vector<Token>& tokens);

} // namespace ResourceCompiler
