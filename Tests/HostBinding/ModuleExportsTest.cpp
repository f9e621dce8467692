#include "ModuleHost.hpp"

#include <gtest/gtest.h>

#include <elf.h>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

template <typename T>
const T& At(const std::vector<char>& image, std::size_t offset) {
    if (offset + sizeof(T) > image.size())
        throw std::runtime_error("ELF structure outside the file");
    return *reinterpret_cast<const T*>(image.data() + offset);
}

// The names of the defined global and weak symbols of the dynamic symbol table.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    const std::vector<char> image = ReadFile(path);
    const auto& header = At<Elf64_Ehdr>(image, 0);
    if (std::string(header.e_ident, header.e_ident + 4) != ELFMAG || header.e_ident[EI_CLASS] != ELFCLASS64)
        throw std::runtime_error(path + " is not a 64-bit ELF file");
    std::set<std::string> names;
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const auto& section = At<Elf64_Shdr>(image, header.e_shoff + i * header.e_shentsize);
        if (section.sh_type != SHT_DYNSYM)
            continue;
        const auto& strings = At<Elf64_Shdr>(image, header.e_shoff + section.sh_link * header.e_shentsize);
        for (std::size_t offset = sizeof(Elf64_Sym); offset < section.sh_size; offset += sizeof(Elf64_Sym)) {
            const auto& symbol = At<Elf64_Sym>(image, section.sh_offset + offset);
            const unsigned binding = ELF64_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK))
                continue;
            names.insert(&At<char>(image, strings.sh_offset + symbol.st_name));
        }
    }
    return names;
}

TEST(ModuleExports, ExactlyTheTwoProtocolFunctions) {
    const std::set<std::string> expected = {"GetExportedFuncAddrs", "SetImportedFuncAddrs"};
    EXPECT_EQ(DefinedDynamicSymbols(Testing::ModuleHost::BuiltModulePath()), expected);
}

TEST(ModuleExports, ModuleIsNamedAndLoadsAsAnAddOn) {
    Testing::ModuleHost host(Testing::ModuleHost::BuiltModulePath());
    EXPECT_EQ(host.Entries().protocolVersion, API_ProtocolVersion29);
    EXPECT_EQ(host.Entries().hostVersion, API_HostVersion29);
    EXPECT_NE(host.Entries().initialize, nullptr);
}

} // namespace
