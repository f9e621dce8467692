#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace kavelo {

// The folder of stored pictures, one file "<image id>.jpg" each. Only valid image ids become file
// names, so no request can name a file outside the folder.
class ImageFolder {
public:
    explicit ImageFolder(std::filesystem::path folder);

    // Writes the picture durably: into a temporary file, synced, renamed, and the folder synced.
    // Throws std::system_error, leaving no file behind.
    void Write(std::string_view id, std::string_view bytes) const;
    void Remove(std::string_view id) const noexcept;
    std::filesystem::path PathOf(std::string_view id) const;

    // Deletes what an upload that died before its record was committed left: temporary files, and
    // pictures without a record. Returns how many files went.
    std::size_t RemoveStray(const std::function<bool(std::string_view id)>& isRecorded) const;

private:
    std::filesystem::path folder_;
};

} // namespace kavelo
