#pragma once

// Turns checked resources into the entries of the resource section.

#include "Container.hpp"
#include "ResourceScript.hpp"

#include <filesystem>
#include <vector>

namespace ResourceCompiler {

// Icons are read from iconDir as "<baseName>-<size>.png" (stored as "I<id>&96") and
// "<baseName>-<2 * size>.png" (stored as "I<id>&192"). Throws CompileError for an icon file that
// is missing, not a PNG, or of another size.
std::vector<CompiledResource> Compile(const ResourceScript& script, const std::filesystem::path& iconDir);

} // namespace ResourceCompiler
