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
    std::int64_t number = 0; // names the link in forms, so that the key itself never leaves
    std::string linkId;
    std::int64_t linkedAt = 0; // Unix seconds
};

struct ImageRecord {
    std::int64_t sequence = 0; // grows with every stored image; the live feed's event id
    std::int64_t account = 0;
    std::string id;
    std::string name;
    std::string source;
    std::int64_t bytes = 0;
    std::int64_t createdAt = 0; // Unix seconds
};

struct AccountRecord {
    std::int64_t id = 0;
    std::string name;
    std::string passwordHash;
};

struct SessionRecord {
    std::int64_t account = 0;
    std::string userName;
    std::string formToken; // every form of the session carries it
};

enum class LinkOutcome { Linked, AlreadyLinked, OtherAccount };

// Accounts, sessions, links and image records in one SQLite database (WAL, synchronous commits), so a
// change that was answered survives a crash of the process or the machine. Safe to call from any
// thread; calls are serialised.
class Store {
public:
    explicit Store(const std::filesystem::path& file);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // False when the name is taken. The first account takes over the pictures of a database
    // from before accounts.
    bool AddAccount(std::string_view name, std::string_view passwordHash, std::int64_t now);
    bool HasAccounts();
    std::optional<AccountRecord> FindAccount(std::string_view name);

    // Sessions are found by the digest of their token; expired ones are dropped as new ones come.
    void AddSession(std::string_view tokenDigest, std::int64_t account, std::string_view formToken,
                    std::int64_t expiresAt, std::int64_t now);
    std::optional<SessionRecord> FindSession(std::string_view tokenDigest, std::int64_t now);
    void RemoveSession(std::string_view tokenDigest);

    LinkOutcome Link(std::string_view linkId, std::int64_t account, std::int64_t now);
    // Whether the account had that link.
    bool Unlink(std::int64_t number, std::int64_t account);
    // The account a key belongs to.
    std::optional<std::int64_t> KeyOwner(std::string_view linkId);
    std::vector<LinkRecord> Links(std::int64_t account);

    ImageRecord AddImage(std::string_view id, std::string_view name, std::string_view source,
                         std::string_view uploadedBy, std::int64_t account, std::int64_t bytes,
                         std::int64_t now);
    std::optional<ImageRecord> FindImage(std::string_view id);
    std::optional<ImageRecord> NewestImage(std::int64_t account);
    // Each account's newest picture.
    std::vector<ImageRecord> NewestImages();

private:
    std::mutex mutex_;
    sqlite3* db_ = nullptr;
};

} // namespace kavelo
