#pragma once

// The host's preference store: for each add-on, the version and bytes it last stored, in one file
// of the workbench's data folder. A change replaces the file atomically and durably, so a crash
// leaves the old record or the new one, never a torn one; a file that is damaged anyway (a bad
// disk, a hand edit) reads as nothing stored, with the reason.
//
// The file, all numbers little-endian:
//     0   8  "KVWBPREF"
//     8   4  format version, 1
//    12   4  the record's version (signed)
//    16   4  byte count n, at most MaxPreferencesBytes
//    20   n  the record's bytes
//  20+n   4  CRC-32 (the IEEE polynomial, as zlib computes it) of everything before it
// and nothing after: the file is exactly 24 + n bytes long.

#include "GSRoot/Definitions.hpp"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Workbench {

// Add-ons keep a few settings here; anything larger is a mistake the host refuses.
inline constexpr std::size_t MaxPreferencesBytes = 64 * 1024;

struct StoredPreferences {
    Int32 version = 0;
    std::vector<UInt8> bytes;

    bool operator==(const StoredPreferences&) const = default;
};

struct StoreContent {
    std::optional<StoredPreferences> record; // none: nothing stored, or a damaged file
    std::string damage;                      // why a file that exists was not accepted

    bool Damaged() const { return !damage.empty(); }
};

UInt32 Crc32(std::span<const UInt8> bytes);

// `record` must hold at most MaxPreferencesBytes.
std::vector<UInt8> EncodeStore(const StoredPreferences& record);
StoreContent DecodeStore(std::span<const UInt8> file);

class PreferenceStore {
public:
    // The record lives in `folder`/`key`.prefs; `key` must be a plain file name.
    PreferenceStore(std::filesystem::path folder, std::string key);

    const std::string& Key() const { return key; }
    std::filesystem::path File() const;

    // Never throws: a file that cannot be read counts as damaged.
    StoreContent Read() const;
    // Replace the stored record, making the folder when needed. Empty on success; otherwise what
    // went wrong, and the old record still stands.
    std::string Write(const StoredPreferences& record) const;
    // Nothing stored afterwards; removing what is not there succeeds.
    std::string Remove() const;

private:
    std::filesystem::path folder;
    std::string key;
};

} // namespace Workbench
