#include "PreferenceStore.hpp"

#include "DataFolder.hpp"
#include "DurableFile.hpp"
#include "FileDescriptor.hpp"
#include "HostText.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <system_error>

namespace Workbench {

namespace {

constexpr std::array<UInt8, 8> Magic = {'K', 'V', 'W', 'B', 'P', 'R', 'E', 'F'};
constexpr UInt32 FormatVersion = 1;
constexpr std::size_t HeaderSize = 20;
constexpr std::size_t FramingSize = HeaderSize + 4;

constexpr std::array<UInt32, 256> CrcTable = [] {
    std::array<UInt32, 256> table{};
    for (UInt32 n = 0; n < 256; ++n) {
        UInt32 c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

void PutWord(std::vector<UInt8>& out, UInt32 value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<UInt8>(value >> shift));
}

UInt32 WordAt(std::span<const UInt8> bytes, std::size_t at) {
    return UInt32(bytes[at]) | UInt32(bytes[at + 1]) << 8 | UInt32(bytes[at + 2]) << 16 |
           UInt32(bytes[at + 3]) << 24;
}

using HostFiles::Descriptor;
namespace FileSystem = HostFiles::FileSystem;

// The whole file, or the reason it was not read.
struct FileBytes {
    std::vector<UInt8> bytes;
    std::string problem;
    bool missing = false;
};

FileBytes ReadStoreFile(const std::filesystem::path& path) {
    FileBytes result;
    int descriptor = -1;
    if (const std::error_code error = FileSystem::OpenToRead(path, descriptor)) {
        result.missing = error == std::errc::no_such_file_or_directory;
        result.problem = "cannot open it: " + error.message();
        return result;
    }
    const Descriptor file(descriptor);
    FileSystem::Kind kind{};
    std::uint64_t size = 0;
    if (const std::error_code error = FileSystem::Examine(file.Get(), kind, size)) {
        result.problem = "cannot examine it: " + error.message();
        return result;
    }
    if (kind != FileSystem::Kind::Regular) {
        result.problem = "it is not a regular file";
        return result;
    }
    // Read no more than the largest record could need, whatever the file claims.
    const std::size_t limit = FramingSize + MaxPreferencesBytes;
    if (size > limit) {
        result.problem = "it is " + std::to_string(size) + " bytes long, more than any record needs";
        return result;
    }
    result.bytes.resize(static_cast<std::size_t>(size));
    std::size_t filled = 0;
    while (filled < result.bytes.size()) {
        std::size_t got = 0;
        if (const std::error_code error = FileSystem::ReadSome(file.Get(), result.bytes.data() + filled,
                                                               result.bytes.size() - filled, got)) {
            result.problem = "cannot read it: " + error.message();
            return result;
        }
        if (got == 0)
            break;
        filled += got;
    }
    result.bytes.resize(filled);
    return result;
}

} // namespace

UInt32 Crc32(std::span<const UInt8> bytes) {
    UInt32 crc = 0xFFFFFFFFu;
    for (const UInt8 byte : bytes)
        crc = CrcTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::vector<UInt8> EncodeStore(const StoredPreferences& record) {
    std::vector<UInt8> file(Magic.begin(), Magic.end());
    file.reserve(FramingSize + record.bytes.size());
    PutWord(file, FormatVersion);
    PutWord(file, static_cast<UInt32>(record.version));
    PutWord(file, static_cast<UInt32>(record.bytes.size()));
    file.insert(file.end(), record.bytes.begin(), record.bytes.end());
    PutWord(file, Crc32(file));
    return file;
}

StoreContent DecodeStore(std::span<const UInt8> file) {
    const auto damaged = [](std::string reason) { return StoreContent{std::nullopt, std::move(reason)}; };
    if (file.size() < FramingSize)
        return damaged("it is " + std::to_string(file.size()) + " bytes long, shorter than any record (" +
                       std::to_string(FramingSize) + ")");
    if (!std::equal(Magic.begin(), Magic.end(), file.begin()))
        return damaged("it is no preference store: it does not start with \"KVWBPREF\"");
    const UInt32 count = WordAt(file, 16);
    if (count > MaxPreferencesBytes)
        return damaged("its byte count " + std::to_string(count) + " is more than any record holds");
    if (file.size() != FramingSize + count)
        return damaged("it is " + std::to_string(file.size()) + " bytes long, but its byte count " +
                       std::to_string(count) + " needs " + std::to_string(FramingSize + count));
    const UInt32 stored = WordAt(file, HeaderSize + count);
    const UInt32 computed = Crc32(file.first(HeaderSize + count));
    if (stored != computed)
        return damaged("its checksum " + HexWord(stored) + " does not match its content (" +
                       HexWord(computed) + ")");
    if (const UInt32 format = WordAt(file, 8); format != FormatVersion)
        return damaged("it has format version " + std::to_string(format) + ", this workbench reads " +
                       std::to_string(FormatVersion));
    StoredPreferences record;
    record.version = static_cast<Int32>(WordAt(file, 12));
    const auto bytes = file.subspan(HeaderSize, count);
    record.bytes.assign(bytes.begin(), bytes.end());
    return {std::move(record), {}};
}

PreferenceStore::PreferenceStore(std::filesystem::path storeFolder, std::string storeKey)
    : folder(std::move(storeFolder)), key(std::move(storeKey)) {}

std::filesystem::path PreferenceStore::File() const {
    return folder / (key + ".prefs");
}

StoreContent PreferenceStore::Read() const {
    try {
        const FileBytes file = ReadStoreFile(File());
        if (file.missing)
            return {};
        if (!file.problem.empty())
            return {std::nullopt, file.problem};
        return DecodeStore(file.bytes);
    } catch (const std::bad_alloc&) {
        return {std::nullopt, "out of memory while reading it"};
    }
}

std::string PreferenceStore::Write(const StoredPreferences& record) const {
    if (record.bytes.size() > MaxPreferencesBytes)
        return "a record of " + std::to_string(record.bytes.size()) +
               " bytes is more than the store keeps (" + std::to_string(MaxPreferencesBytes) + ")";
    if (std::string problem = MakeFolder(folder); !problem.empty())
        return problem;
    try {
        return HostFiles::WriteFileDurably(File(), EncodeStore(record)).error;
    } catch (const std::bad_alloc&) {
        return "out of memory while writing \"" + PathText(File()) + "\"";
    }
}

std::string PreferenceStore::Remove() const {
    const std::filesystem::path path = File();
    if (const std::error_code error = FileSystem::Remove(path)) {
        if (error == std::errc::no_such_file_or_directory)
            return {};
        return "cannot remove \"" + PathText(path) + "\": " + error.message();
    }
    // The removal lasts only once the folder is synced.
    if (const std::error_code error = FileSystem::SyncFolder(folder))
        return "cannot sync the folder \"" + PathText(folder) + "\": " + error.message();
    return {};
}

} // namespace Workbench
