#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kavelo {

struct LinkRecord {
    std::string linkId;
    std::int64_t linkedAt = 0; // Unix seconds
};

struct ImageRecord {
    std::int64_t sequence = 0; // grows with every stored image; the live feed's event id
    std::string id;
    std::string name;
    std::string source;
    std::int64_t bytes = 0;
    std::int64_t createdAt = 0; // Unix seconds
};

// The account's links and image records in one SQLite database (WAL, synchronous commits), so a
// change that was answered survives a crash of the process or the machine. Safe to call from any
// thread; calls are serialised.
class Store {
public:
    explicit Store(const std::filesystem::path& file);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Both return whether anything changed, so linking twice is harmless.
    bool Link(std::string_view linkId, std::int64_t now);
    bool Unlink(std::string_view linkId);
    bool IsLinked(std::string_view linkId);
    std::vector<LinkRecord> Links();

    ImageRecord AddImage(std::string_view id, std::string_view name, std::string_view source,
                         std::string_view uploadedBy, std::int64_t bytes, std::int64_t now);
    std::optional<ImageRecord> FindImage(std::string_view id);
    std::optional<ImageRecord> NewestImage();

private:
    std::mutex mutex_;
    sqlite3* db_ = nullptr;
};

} // namespace kavelo
