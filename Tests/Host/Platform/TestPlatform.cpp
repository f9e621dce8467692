#include "TestPlatform.hpp"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace HostTest {

namespace fs = std::filesystem;

fs::path BuiltFile(const std::string& name) {
    const char* binDir = std::getenv("KAVELO_BIN_DIR");
    if (binDir == nullptr)
        throw std::runtime_error("KAVELO_BIN_DIR is not set");
    return fs::path(binDir) / name;
}

TemporaryFolder::TemporaryFolder() {
    std::random_device source;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = fs::temp_directory_path() / ("kavelo-test-" + std::to_string(source()));
        if (fs::create_directory(path))
            return;
    }
    throw std::runtime_error("cannot make a folder of its own in " + fs::temp_directory_path().string());
}

// Even after a test took the rights to change what it holds.
TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(path, ignored))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

std::vector<std::string> TemporaryFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<unsigned char> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path.string());
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::span<const unsigned char> bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace HostTest
