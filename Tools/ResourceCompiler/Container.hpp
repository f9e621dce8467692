#pragma once

// Lays compiled resources out in the container that the module's resource section carries
// (see ResourceContainer.hpp).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ResourceCompiler {

constexpr std::uint32_t LanguageEnglishUS = 1033;

struct CompiledResource {
    std::uint32_t type = 0; // four-character code, first character in the high byte
    std::int32_t id = 0;    // 0 for a named resource
    std::string name;       // empty for a numbered resource
    std::vector<std::uint8_t> data;
};

std::uint32_t FourCC(std::string_view code);

// Every resource goes into language block 1033. Throws std::length_error past 4 GiB.
std::vector<std::uint8_t> BuildContainer(const std::vector<CompiledResource>& resources);

} // namespace ResourceCompiler
