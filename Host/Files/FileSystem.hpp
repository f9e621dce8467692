#pragma once

// The host's one low-level file layer, over each system's own calls: the host libraries' files, the
// workbench's durable writes and its preference store. Files are the C runtime's descriptors on
// both systems. Every call answers an empty error_code on success, else the system's reason.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace HostFiles::FileSystem {

enum class Access { Read, Write, ReadWrite };
enum class Creation {
    Existing,  // a missing file fails with std::errc::no_such_file_or_directory
    IfMissing, // a missing file is made empty
    New        // a file already there fails with std::errc::file_exists
};

struct OpenMode {
    Access access = Access::Read;
    Creation creation = Creation::Existing;
    // For callers that take only regular files: a FIFO opens at once, to be refused after Examine,
    // instead of waiting for its other end. Windows never waits.
    bool withoutWaiting = false;
};

// Not inherited by child processes. Opening a folder to read succeeds, so that Examine tells what
// stands there; opening one to write fails with std::errc::is_a_directory, on both systems.
std::error_code Open(const std::filesystem::path& path, OpenMode mode, int& descriptor);
inline std::error_code OpenToRead(const std::filesystem::path& path, int& descriptor) {
    return Open(path, {}, descriptor);
}
inline std::error_code CreateNew(const std::filesystem::path& path, int& descriptor) {
    return Open(path, {Access::Write, Creation::New}, descriptor);
}

enum class Kind { Regular, Folder, Other }; // Other: a device, a pipe
std::error_code Examine(int descriptor, Kind& kind, std::uint64_t& size);
// Reads what is there up to `size` bytes; `got` is 0 at the end of the file.
std::error_code ReadSome(int descriptor, unsigned char* buffer, std::size_t size, std::size_t& got);
// Writes some of the bytes, at least one; `written` says how many.
std::error_code WriteSome(int descriptor, const unsigned char* data, std::size_t size, std::size_t& written);
std::error_code WriteAll(int descriptor, const unsigned char* data, std::size_t size);
// The file's bytes reach the disk before this returns.
std::error_code Sync(int descriptor);
// Closing reports the last write errors on some file systems, so callers check it. The descriptor is
// released whatever it answers.
std::error_code Close(int descriptor);
// Puts `from` in place of `to` in one step; readers see one file or the other, never a mix.
std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to);
// A rename or removal in `folder` survives a crash of the system once this returns.
std::error_code SyncFolder(const std::filesystem::path& folder);
// A missing file answers std::errc::no_such_file_or_directory.
std::error_code Remove(const std::filesystem::path& path);
// Tells apart the temporary files of processes writing into one folder.
unsigned long ProcessId();

} // namespace HostFiles::FileSystem
