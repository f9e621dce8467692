#include "BrowserLaunchRecord.hpp"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace Testing {

namespace {

// The browser's one argument; anything else is shown whole, so that a test's comparison fails on it.
// winebrowser turns blanks into %20 and drops quotes where Windows would hand the URL on as it is; the
// add-on's URLs are percent-encoded and hold neither, so what arrives is what Windows would deliver.
std::string UrlOf(const std::string& line) {
    return line.rfind("1 ", 0) == 0 ? line.substr(2) : "<a browser started with: " + line + ">";
}

} // namespace

std::optional<std::wstring> BrowserLaunchRecordFile() {
    const wchar_t* name = _wgetenv(L"KAVELO_BROWSER_RECORD");
    if (name == nullptr)
        return std::nullopt;
    return std::wstring(L"C:\\browser-launches\\") + name;
}

std::vector<std::string> ReadBrowserLaunchRecord(const std::wstring& file) {
    std::ifstream record(std::filesystem::path(file), std::ios::binary);
    std::vector<std::string> urls;
    std::string line;
    // A line still being written has no end yet.
    while (std::getline(record, line) && !record.eof())
        urls.push_back(UrlOf(line));
    return urls;
}

std::vector<std::string> AwaitBrowserLaunchRecord(const std::wstring& file, std::size_t launches) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::vector<std::string> urls = ReadBrowserLaunchRecord(file);
    while (urls.size() < launches && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        urls = ReadBrowserLaunchRecord(file);
    }
    return urls;
}

} // namespace Testing
