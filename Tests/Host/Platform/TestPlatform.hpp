#pragma once

// What the host-library tests need of the system, the same on every platform: libraries loaded by
// the system's loader, a folder of their own, files this process may not open, open handles, memory
// that ends at an unreadable page, the C runtime's heap.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace HostTest {

// A file built beside the test programs, in KAVELO_BIN_DIR. Throws std::runtime_error when that
// variable is not set.
std::filesystem::path BuiltFile(const std::string& name);

// A shared library, loaded for as long as the object lives.
class LoadedLibrary {
public:
    // Throws std::runtime_error with the loader's reason.
    explicit LoadedLibrary(const std::filesystem::path& file);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // The library's exported function `name`, or nullptr.
    template <class Function>
    Function* Find(const char* name) const {
        return reinterpret_cast<Function*>(Symbol(name));
    }

    // What a host registers with RS for this library: its base address, on Windows its handle.
    void* Instance() const;

private:
    void* Symbol(const char* name) const;
    void* handle;
};

// The instance (as above) of the loaded library that holds `address`, or nullptr.
void* InstanceOf(const void* address);

// A new empty folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    // Every entry, hidden ones included, in order.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path;
};

// A file's bytes, read and written with the standard library apart from the code under test. Both
// throw std::runtime_error when the system refuses.
std::vector<unsigned char> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::span<const unsigned char> bytes);

// Keeps this process from opening `path` for the denied access while the object lives: through
// the mode on POSIX, through a handle that shares nothing (or only reading) on Windows.
class DeniedAccess {
public:
    enum Denied { Everything, Writing };

    DeniedAccess(const std::filesystem::path& path, Denied denied);
    ~DeniedAccess();
    DeniedAccess(const DeniedAccess&) = delete;
    DeniedAccess& operator=(const DeniedAccess&) = delete;

    // Why the denial does not hold here (root opens whatever the mode says), or empty.
    const std::string& Unenforced() const { return reason; }

private:
    std::filesystem::path path;
    std::string reason;
    void* lock = nullptr; // Windows: the handle that shares nothing
    std::filesystem::perms kept{};
};

// A pipe with a name in the file system's namespace while the object lives: a FIFO in `folder`, on
// Windows a named pipe under \\.\pipe whose server end the object holds.
class NamedPipe {
public:
    explicit NamedPipe(const std::filesystem::path& folder);
    ~NamedPipe();
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;

    const std::filesystem::path& Path() const { return path; }

private:
    std::filesystem::path path;
    void* server = nullptr;
};

// A device that is not a file: /dev/null, or NUL on Windows.
std::filesystem::path NullDevice();

// How many files and other kernel objects this process holds open.
std::size_t OpenHandleCount();

// Bytes whose last one lies just before a page this process may not read, so that a read past their
// end stops the process instead of going unnoticed.
class GuardedBytes {
public:
    explicit GuardedBytes(std::size_t size); // throws std::system_error
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Its last n bytes end at the guard page too.
    std::span<unsigned char> Bytes() const { return bytes; }

private:
    void* mapping = nullptr;
    std::size_t mappingSize = 0;
    std::span<unsigned char> bytes;
};

// Bytes in use in the heap behind the C runtime's malloc, which the module's own runtime shares.
std::size_t HeapBytesInUse();

} // namespace HostTest
