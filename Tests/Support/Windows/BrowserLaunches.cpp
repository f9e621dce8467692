// The module calls the shell itself, which under wine hands the URL to winebrowser and so to the
// test prefix's recorder a moment after the call has returned. The URLs come from the recorder; the
// count of launches made comes from the module's own calls of ShellExecuteW, counted on the way
// through its import table, so that a test that reads the launches waits for exactly those.

#include "BrowserLaunches.hpp"
#include "BrowserLaunchRecord.hpp"

#include <windows.h>

#include <tlhelp32.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

namespace Testing {

std::optional<std::wstring> BrowserLaunchRecordFile() {
    const wchar_t* name = _wgetenv(L"KAVELO_BROWSER_RECORD");
    if (name == nullptr)
        return std::nullopt;
    return std::wstring(L"C:\\browser-launches\\") + name;
}

std::vector<std::string> ReadBrowserLaunchRecord(const std::wstring& file) {
    std::ifstream record(std::filesystem::path(file), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    // A line still being written has no end yet.
    while (std::getline(record, line) && !record.eof())
        lines.push_back(line);
    return lines;
}

namespace {

using ShellExecuteWProc = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

const std::optional<std::wstring> recordFile = BrowserLaunchRecordFile();
ShellExecuteWProc shellExecuteW = nullptr;
std::atomic<std::size_t> launchesMade{0};

struct Redirection {
    HMODULE image;
    std::uintptr_t* slot;
};

struct Watch {
    std::function<void(std::string_view url)> launched;
    std::size_t launchesBefore = 0; // made by this process before the watch began
    std::size_t delivered = 0;
    std::vector<Redirection> redirected;
};
std::optional<Watch> watch;
std::optional<std::size_t> linesBeforeFirstLaunch; // lines of an earlier run of the same name

// The record once it holds every launch made so far, or as far as it got in a few seconds: winebrowser
// starts the recorder a fraction of a second after the call, a busy machine later.
std::vector<std::string> AwaitRecordOfLaunchesMade() {
    const std::size_t expected = *linesBeforeFirstLaunch + launchesMade;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::vector<std::string> lines = ReadBrowserLaunchRecord(*recordFile);
    while (lines.size() < expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = ReadBrowserLaunchRecord(*recordFile);
    }
    return lines;
}

HINSTANCE WINAPI CountingShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                                       LPCWSTR directory, INT show) {
    // Launches in quick succession could reach the recorder in either order: each waits for the one before.
    AwaitRecordOfLaunchesMade();
    ++launchesMade;
    return shellExecuteW(window, operation, file, parameters, directory, show);
}

template <typename Function>
std::uintptr_t AddressOf(Function* function) {
    return reinterpret_cast<std::uintptr_t>(function);
}

void Point(std::uintptr_t* slot, std::uintptr_t at) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
    *slot = at;
    VirtualProtect(slot, sizeof(*slot), protection, &protection);
}

// The import slots of `image` that hold `function`.
std::vector<std::uintptr_t*> ImportSlots(HMODULE image, std::uintptr_t function) {
    auto* base = reinterpret_cast<BYTE*>(image);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::uintptr_t*> slots;
    if (imports.VirtualAddress == 0)
        return slots;
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        for (auto* slot = reinterpret_cast<std::uintptr_t*>(base + library->FirstThunk); *slot != 0; ++slot) {
            if (*slot == function)
                slots.push_back(slot);
        }
    }
    return slots;
}

// Sends every loaded image's calls of ShellExecuteW through the counter: the test program's own, where
// the add-on is linked in, and the module's, where it is loaded.
std::vector<Redirection> RedirectShellExecuteW() {
    const std::uintptr_t real = AddressOf(GetProcAddress(LoadLibraryW(L"shell32.dll"), "ShellExecuteW"));
    shellExecuteW = reinterpret_cast<ShellExecuteWProc>(real);
    std::vector<Redirection> redirected;
    const HANDLE images = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (images == INVALID_HANDLE_VALUE)
        return redirected;
    MODULEENTRY32W image{};
    image.dwSize = sizeof(image);
    for (BOOL more = Module32FirstW(images, &image); more; more = Module32NextW(images, &image)) {
        for (std::uintptr_t* slot : ImportSlots(image.hModule, real)) {
            Point(slot, AddressOf(&CountingShellExecuteW));
            redirected.push_back({image.hModule, slot});
        }
    }
    CloseHandle(images);
    return redirected;
}

// The browser's one argument; anything else is shown whole, so that the test's comparison fails on it.
// winebrowser turns blanks into %20 and drops quotes where Windows would hand the URL on as it is; the
// add-on's URLs are percent-encoded and hold neither, so what arrives is what Windows would deliver.
std::string UrlOf(const std::string& line) {
    return line.rfind("1 ", 0) == 0 ? line.substr(2) : "<a browser started with: " + line + ">";
}

} // namespace

const bool HostSeesBrowserLaunches = recordFile.has_value();

void WatchBrowserLaunches(std::function<void(std::string_view url)> launched) {
    if (!recordFile)
        return;
    if (!linesBeforeFirstLaunch)
        linesBeforeFirstLaunch = ReadBrowserLaunchRecord(*recordFile).size();
    // Launches of an earlier watch that never were read may still arrive; they come before this one's.
    watch = Watch{std::move(launched), launchesMade, 0, RedirectShellExecuteW()};
}

void AwaitBrowserLaunches() {
    if (!watch)
        return;
    const std::size_t firstLine = *linesBeforeFirstLaunch + watch->launchesBefore;
    const std::size_t made = launchesMade - watch->launchesBefore;
    const std::vector<std::string> lines = AwaitRecordOfLaunchesMade();
    for (std::size_t line = firstLine + watch->delivered; line < lines.size() && watch->delivered < made;
         ++line, ++watch->delivered)
        watch->launched(UrlOf(lines[line]));
}

void StopWatchingBrowserLaunches() {
    if (!watch)
        return;
    for (const Redirection& redirection : watch->redirected) {
        // A module the test has unloaded took its import table with it.
        HMODULE image = nullptr;
        if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCWSTR>(redirection.slot), &image) &&
            image == redirection.image)
            Point(redirection.slot, AddressOf(shellExecuteW));
    }
    watch.reset();
}

} // namespace Testing
