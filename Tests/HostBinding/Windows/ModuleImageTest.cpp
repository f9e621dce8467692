// KAVELO.apx as Windows sees it: the PE file's exports and imports read from the file, its resources
// as the system's resource calls find them, and a load and unload that leave nothing behind.

#include "ACAPI/APIdefs.hpp"
#include "GSRootHost.hpp"
#include "RSHost.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string BuiltModulePath() {
    const char* folder = std::getenv("KAVELO_BIN_DIR");
    if (folder == nullptr)
        throw std::runtime_error("KAVELO_BIN_DIR is not set");
    return (std::filesystem::path(folder) / "KAVELO.apx").make_preferred().string();
}

// The module as a host loads it: by full path, its host libraries found beside it, its entry
// functions by ordinal.
class LoadedModule {
public:
    LoadedModule()
        : handle(LoadLibraryExW(std::filesystem::path(BuiltModulePath()).c_str(), nullptr,
                                LOAD_WITH_ALTERED_SEARCH_PATH)) {
        if (handle == nullptr)
            throw std::runtime_error("cannot load the module: error " + std::to_string(GetLastError()));
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule() { Free(); }

    HMODULE Handle() const { return handle; }
    // Through void (*)(), the pointer type that converts to any other function pointer type.
    template <typename Proc>
    Proc* Entry(WORD ordinal) const {
        const FARPROC found = GetProcAddress(handle, MAKEINTRESOURCEA(ordinal));
        if (found == nullptr)
            throw std::runtime_error("no export at ordinal " + std::to_string(ordinal));
        return reinterpret_cast<Proc*>(reinterpret_cast<void (*)()>(found));
    }
    void Free() {
        if (handle != nullptr)
            FreeLibrary(handle);
        handle = nullptr;
    }

private:
    HMODULE handle;
};

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A PE32+ file's headers and the file offsets of its virtual addresses, bounds-checked.
class PeFile {
public:
    explicit PeFile(const std::string& path) : image(ReadFile(path)) {
        const auto& dos = At<IMAGE_DOS_HEADER>(0);
        if (dos.e_magic != IMAGE_DOS_SIGNATURE)
            throw std::runtime_error(path + " has no DOS header");
        headers = &At<IMAGE_NT_HEADERS64>(static_cast<std::size_t>(dos.e_lfanew));
        if (headers->Signature != IMAGE_NT_SIGNATURE)
            throw std::runtime_error(path + " is not a PE file");
        sectionsAt = static_cast<std::size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                     headers->FileHeader.SizeOfOptionalHeader;
    }

    const IMAGE_NT_HEADERS64& Headers() const { return *headers; }

    // Export names by ordinal.
    std::map<DWORD, std::string> Exports() const {
        std::map<DWORD, std::string> exports;
        const DWORD directory =
            headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
        if (directory == 0)
            return exports;
        const auto& table = At<IMAGE_EXPORT_DIRECTORY>(Offset(directory));
        for (DWORD i = 0; i < table.NumberOfNames; ++i) {
            const DWORD name = At<DWORD>(Offset(table.AddressOfNames) + i * sizeof(DWORD));
            const WORD index = At<WORD>(Offset(table.AddressOfNameOrdinals) + i * sizeof(WORD));
            exports[table.Base + index] = Text(name);
        }
        for (DWORD i = 0; i < table.NumberOfFunctions; ++i)
            exports.try_emplace(table.Base + i, ""); // exported by ordinal only
        return exports;
    }

    std::set<std::string> ImportedLibraries() const {
        std::set<std::string> libraries;
        DWORD at = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (; at != 0; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto& descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(Offset(at));
            if (descriptor.Name == 0)
                break;
            libraries.insert(Text(descriptor.Name));
        }
        return libraries;
    }

private:
    template <typename T>
    const T& At(std::size_t offset) const {
        if (offset > image.size() || sizeof(T) > image.size() - offset)
            throw std::runtime_error("PE structure outside the file");
        return *reinterpret_cast<const T*>(image.data() + offset);
    }

    std::size_t Offset(DWORD virtualAddress) const {
        for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i) {
            const auto& section = At<IMAGE_SECTION_HEADER>(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER));
            if (virtualAddress >= section.VirtualAddress &&
                virtualAddress < section.VirtualAddress + section.SizeOfRawData)
                return section.PointerToRawData + (virtualAddress - section.VirtualAddress);
        }
        throw std::runtime_error("address " + std::to_string(virtualAddress) + " lies in no section");
    }

    std::string Text(DWORD virtualAddress) const {
        const std::size_t start = Offset(virtualAddress);
        const auto end = std::find(image.begin() + static_cast<std::ptrdiff_t>(start), image.end(), '\0');
        if (end == image.end())
            throw std::runtime_error("unterminated name in the PE file");
        return std::string(image.begin() + static_cast<std::ptrdiff_t>(start), end);
    }

    std::vector<char> image;
    const IMAGE_NT_HEADERS64* headers = nullptr;
    std::size_t sectionsAt = 0;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool IsSystemLibrary(const std::string& name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH && std::filesystem::exists(std::filesystem::path(folder) / name);
}

TEST(ModuleImage, IsA64BitDllExportingExactlyTheProtocolFunctionsAtOrdinalsOneAndTwo) {
    const PeFile module(BuiltModulePath());
    EXPECT_EQ(module.Headers().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(module.Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_NE(module.Headers().FileHeader.Characteristics & IMAGE_FILE_DLL, 0);
    const std::map<DWORD, std::string> expected = {{1, "GetExportedFuncAddrs"}, {2, "SetImportedFuncAddrs"}};
    EXPECT_EQ(module.Exports(), expected);
}

// Each import is a host library or a library of the system's own folder; the GNU runtime DLLs that
// sit beside the host are not the system's, so a module that needed them would fail here.
TEST(ModuleImage, ImportsOnlyHostLibrariesAndSystemLibraries) {
    std::set<std::string> hostLibraries;
    for (std::string name : {KAVELO_HOST_LIBRARY_FILES})
        hostLibraries.insert(Lower(name));
    const std::set<std::string> imports = PeFile(BuiltModulePath()).ImportedLibraries();
    ASSERT_FALSE(imports.empty());
    for (const std::string& library : imports)
        EXPECT_TRUE(hostLibraries.count(Lower(library)) == 1 || IsSystemLibrary(library)) << library;
    EXPECT_FALSE(IsSystemLibrary("libstdc++-6.dll"));
}

// The version Windows shows for the file is the project's, the one the package is named after.
TEST(ModuleImage, CarriesTheProjectVersionInItsVersionRecord) {
    const std::wstring path = std::filesystem::path(BuiltModulePath()).wstring();
    std::vector<BYTE> record(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_FALSE(record.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, DWORD(record.size()), record.data()));
    wchar_t* version = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&version), &length));
    EXPECT_EQ(std::wstring(version, wcsnlen(version, length)),
              std::filesystem::path(KAVELO_VERSION).wstring());
}

using ResourceKey = std::tuple<UInt32, Int32, std::string, UInt32>;

std::map<ResourceKey, std::vector<std::byte>> Contents(const RS::Host::ResourceFile& file) {
    std::map<ResourceKey, std::vector<std::byte>> contents;
    for (const RS::Host::ResourceEntry& entry : file.Entries())
        contents[{entry.type, entry.id, entry.name, entry.language}].assign(entry.data.begin(),
                                                                            entry.data.end());
    return contents;
}

// What the add-on receives from its resources is what the resource compiler wrote for every platform.
TEST(ModuleImage, ResourcesAreTheCompiledContainerEntryForEntry) {
    const std::vector<char> container = ReadFile(KAVELO_RESOURCE_CONTAINER);
    const auto compiled =
        RS::Host::ResourceFile::FromContainer(std::as_bytes(std::span(container.data(), container.size())));
    LoadedModule module;
    const auto loaded = Contents(RS::Host::ResourceFile::FromModule(module.Handle()));
    EXPECT_FALSE(loaded.empty());
    EXPECT_EQ(loaded, Contents(compiled));
}

// Attached, given its host table, described and freed: the system unloads the module, its detach
// gives its resources back in order, and every block it took from the host's allocator is returned.
TEST(ModuleImage, FreeLibraryUnloadsTheModuleAfterItsDetachReleasedEverything) {
    std::vector<std::string> cacheCalls;
    RS::Host::SetCallObserver([&](std::string_view call, GSResModule) { cacheCalls.emplace_back(call); });
    const UInt64 blocksBefore = GS::Host::GetMemoryStats().liveBlocks;
    {
        LoadedModule module;
        API_EntryPointRecord entries{};
        module.Entry<GetExportedFuncAddrsProc>(1)(&entries);
        const HostFunction table[HostFunctionTableSlots] = {};
        EXPECT_EQ(module.Entry<SetImportedFuncAddrsProc>(2)(table), NoError);
        API_EnvirParams envir{};
        EXPECT_EQ(entries.describeAddOn(&envir), 1);
        EXPECT_NE(GetModuleHandleW(L"KAVELO.apx"), nullptr);
    }
    RS::Host::SetCallObserver(nullptr);
    EXPECT_EQ(GetModuleHandleW(L"KAVELO.apx"), nullptr);
    const std::vector<std::string> expected = {"RSInitModuleImageCache", "RSRemoveModuleImageCache",
                                               "RS::ResModuleClosed"};
    EXPECT_EQ(cacheCalls, expected);
    EXPECT_EQ(GS::Host::GetMemoryStats().liveBlocks, blocksBefore);
}

} // namespace
