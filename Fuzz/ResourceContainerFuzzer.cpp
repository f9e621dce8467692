// RS's reader of a module's resources. The first byte chooses what the rest is: 0, a whole module
// file (the ELF reader's turn); anything else, the resource container, which the target wraps in a
// minimal ELF file as the resource section. Every resource found is looked up again and every
// string list parsed; a bad file is a ResourceError, nothing else.

#include "RSHost.hpp"
#include "ResourceContainer.hpp"

#include "FuzzCheck.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

// ELF64 little-endian: header, the section's bytes, the name table, then three section headers
// (null, the resource section, the name table).
std::vector<std::uint8_t> WrapInElf(const std::uint8_t* section, std::size_t size) {
    const std::string names = std::string("\0", 1) + RS::Section::Name + '\0' + ".shstrtab" + '\0';
    const std::size_t sectionAt = 64;
    const std::size_t namesAt = sectionAt + size;
    const std::size_t headersAt = (namesAt + names.size() + 7) / 8 * 8;
    std::vector<std::uint8_t> file(headersAt + 3 * 64, 0);
    const std::uint8_t ident[] = {0x7F, 'E', 'L', 'F', 2, 1, 1};
    std::copy(std::begin(ident), std::end(ident), file.begin());
    Put(file, 0x10, 3, 2);  // a shared object
    Put(file, 0x12, 62, 2); // x86-64
    Put(file, 0x14, 1, 4);
    Put(file, 0x28, headersAt, 8);
    Put(file, 0x34, 64, 2);
    Put(file, 0x3A, 64, 2);
    Put(file, 0x3C, 3, 2);
    Put(file, 0x3E, 2, 2);
    std::copy(section, section + size, file.begin() + std::ptrdiff_t(sectionAt));
    std::copy(names.begin(), names.end(), file.begin() + std::ptrdiff_t(namesAt));
    const auto header = [&](std::size_t index, std::uint32_t name, std::uint32_t type, std::size_t at,
                            std::size_t bytes) {
        const std::size_t h = headersAt + index * 64;
        Put(file, h, name, 4);
        Put(file, h + 4, type, 4);
        Put(file, h + 24, at, 8);
        Put(file, h + 32, bytes, 8);
        Put(file, h + 48, 1, 8);
    };
    header(1, 1, 1, sectionAt, size);
    header(2, std::uint32_t(names.size() - 10), 3, namesAt, names.size());
    return file;
}

// The reader takes a path: the file lives in memory and is reached through /proc.
const std::string& WriteModule(const std::vector<std::uint8_t>& bytes) {
    static const int file = memfd_create("fuzz-module", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    FUZZ_CHECK(file >= 0 && ftruncate(file, 0) == 0);
    FUZZ_CHECK(pwrite(file, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::vector<std::uint8_t> module =
        data[0] == 0 ? std::vector<std::uint8_t>(data + 1, data + size) : WrapInElf(data + 1, size - 1);
    try {
        const RS::Host::ResourceFile resources = RS::Host::ResourceFile::Load(WriteModule(module));
        for (const RS::Host::ResourceEntry& entry : resources.Entries()) {
            const auto found = entry.name.empty()
                                   ? resources.Find(entry.type, entry.id, entry.language)
                                   : resources.FindNamed(entry.type, entry.name, entry.language);
            FUZZ_CHECK(found.has_value());
            if (entry.type == RS::Host::FourCC("STRS")) {
                try {
                    RS::Host::ParseStringList(entry.data);
                } catch (const RS::Host::ResourceError&) {
                }
            }
        }
    } catch (const RS::Host::ResourceError&) {
    }
    return 0;
}
