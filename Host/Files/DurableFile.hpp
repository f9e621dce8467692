#pragma once

// Replacing a file so that readers see either the old file or the whole new one: the bytes go to a
// temporary file beside the target, which is renamed over the target. Synced, the replacement also
// survives a crash of the system; files that are only temporary are spared the cost of the sync.

#include <filesystem>
#include <span>
#include <string>

namespace HostFiles {

struct FileResult {
    std::string error; // empty on success; otherwise names the file and the system's reason

    bool Ok() const { return error.empty(); }
};

enum class Durability { Synced, Unsynced };

// A failure never leaves the temporary file behind and leaves the target as it was.
FileResult WriteFileDurably(const std::filesystem::path& target, std::span<const unsigned char> bytes,
                            Durability durability = Durability::Synced);

// The same, with the bytes of `source` copied unchanged; the source is read in pieces, never whole.
FileResult CopyFileDurably(const std::filesystem::path& source, const std::filesystem::path& target,
                           Durability durability = Durability::Synced);

} // namespace HostFiles
