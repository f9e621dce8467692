#pragma once

// The few file operations the durable writes and the preference store need, over each system's own
// calls. Files are the C runtime's descriptors on both systems. Every call answers an empty
// error_code on success, else the system's reason.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace Workbench::Scene::FileSystem {

std::error_code OpenToRead(const std::filesystem::path& path, int& descriptor);
// Fails with std::errc::file_exists when the file is there already; not inherited by child processes.
std::error_code CreateNew(const std::filesystem::path& path, int& descriptor);
// `regular` is false for anything but a regular file (a folder, a device).
std::error_code Examine(int descriptor, bool& regular, std::uint64_t& size);
// Reads what is there up to `size` bytes; `got` is 0 at the end of the file.
std::error_code ReadSome(int descriptor, unsigned char* buffer, std::size_t size, std::size_t& got);
// Writes some of the bytes, at least one; `written` says how many.
std::error_code WriteSome(int descriptor, const unsigned char* data, std::size_t size, std::size_t& written);
std::error_code WriteAll(int descriptor, const unsigned char* data, std::size_t size);
// The file's bytes reach the disk before this returns.
std::error_code Sync(int descriptor);
// Closing reports the last write errors on some file systems, so callers check it.
std::error_code Close(int descriptor);
// Puts `from` in place of `to` in one step; readers see one file or the other, never a mix.
std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to);
// A rename or removal in `folder` survives a crash of the system once this returns.
std::error_code SyncFolder(const std::filesystem::path& folder);
// A missing file answers std::errc::no_such_file_or_directory.
std::error_code Remove(const std::filesystem::path& path);
// Tells apart the temporary files of processes writing into one folder.
unsigned long ProcessId();

} // namespace Workbench::Scene::FileSystem
