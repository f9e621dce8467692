#include "Store.hpp"

#include <sqlite3.h>

#include <stdexcept>

namespace kavelo {

namespace {

[[noreturn]] void Fail(sqlite3* db, std::string_view what) {
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void Execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error(std::string("database: ") + text);
    }
}

// A prepared statement with its parameters bound in order; finalised on every path.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
            SQLITE_OK)
            Fail(db, "cannot prepare a query");
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(std::string_view text) {
        Check(sqlite3_bind_text(statement_, ++bound_, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& Bind(std::int64_t number) {
        Check(sqlite3_bind_int64(statement_, ++bound_, number));
        return *this;
    }
    // True while there is a row to read.
    bool Step() {
        const int result = sqlite3_step(statement_);
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            Fail(db_, "database query failed");
        return result == SQLITE_ROW;
    }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                    : "";
    }
    std::int64_t Number(int column) const { return sqlite3_column_int64(statement_, column); }

private:
    void Check(int result) const {
        if (result != SQLITE_OK)
            Fail(db_, "cannot bind a query parameter");
    }
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    int bound_ = 0;
};

constexpr int kVersion = 2;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts (
    id         INTEGER PRIMARY KEY,
    name       TEXT NOT NULL UNIQUE,
    password   TEXT NOT NULL,
    created_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS sessions (
    token_digest TEXT PRIMARY KEY,
    account_id   INTEGER NOT NULL REFERENCES accounts (id) ON DELETE CASCADE,
    form_token   TEXT NOT NULL,
    expires_at   INTEGER NOT NULL
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS links (
    id         INTEGER PRIMARY KEY,
    link_id    TEXT NOT NULL UNIQUE,
    account_id INTEGER NOT NULL REFERENCES accounts (id) ON DELETE CASCADE,
    linked_at  INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS images (
    sequence    INTEGER PRIMARY KEY AUTOINCREMENT,
    id          TEXT NOT NULL UNIQUE,
    name        TEXT NOT NULL,
    source      TEXT NOT NULL,
    uploaded_by TEXT NOT NULL,
    bytes       INTEGER NOT NULL,
    created_at  INTEGER NOT NULL,
    account_id  INTEGER REFERENCES accounts (id) -- NULL only before the first account
);
CREATE INDEX IF NOT EXISTS images_by_account ON images (account_id, sequence);
PRAGMA user_version = 2;
)sql";

// The first version kept links that belonged to no one: they go, and their installations link
// again on their next upload's 401. The pictures wait for the first account.
constexpr const char* kFromVersion1 = R"sql(
BEGIN;
DROP TABLE links;
ALTER TABLE images ADD COLUMN account_id INTEGER REFERENCES accounts (id);
COMMIT;
)sql";

constexpr std::string_view kImageColumns =
    "SELECT sequence, account_id, id, name, source, bytes, created_at FROM images ";

ImageRecord ReadImage(const Statement& row) {
    return {row.Number(0), row.Number(1), row.Text(2),  row.Text(3),
            row.Text(4),   row.Number(5), row.Number(6)};
}

} // namespace

Store::Store(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open the database " + file.string() + ": " + message);
    }
    try {
        sqlite3_busy_timeout(db_, 5000);
        // FULL makes every commit durable, not only consistent, before the answer leaves.
        Execute(db_, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON;");
        const int version = [this] {
            Statement query(db_, "PRAGMA user_version");
            query.Step();
            return static_cast<int>(query.Number(0));
        }();
        if (version > kVersion)
            throw std::runtime_error("the database " + file.string() +
                                     " is of a newer version of the service");
        if (version == 1)
            Execute(db_, kFromVersion1);
        Execute(db_, kSchema);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

Store::~Store() {
    sqlite3_close(db_);
}

bool Store::AddAccount(std::string_view name, std::string_view passwordHash, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Execute(db_, "BEGIN IMMEDIATE");
    try {
        Statement(db_, "INSERT OR IGNORE INTO accounts (name, password, created_at) VALUES (?, ?, ?)")
            .Bind(name)
            .Bind(passwordHash)
            .Bind(now)
            .Step();
        const bool added = sqlite3_changes(db_) > 0;
        if (added)
            Statement(db_, "UPDATE images SET account_id = ? WHERE account_id IS NULL")
                .Bind(sqlite3_last_insert_rowid(db_))
                .Step();
        Execute(db_, "COMMIT");
        return added;
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

bool Store::HasAccounts() {
    const std::lock_guard lock(mutex_);
    return Statement(db_, "SELECT 1 FROM accounts LIMIT 1").Step();
}

std::optional<AccountRecord> Store::FindAccount(std::string_view name) {
    const std::lock_guard lock(mutex_);
    Statement query(db_, "SELECT id, name, password FROM accounts WHERE name = ?");
    query.Bind(name);
    if (!query.Step())
        return std::nullopt;
    return AccountRecord{query.Number(0), query.Text(1), query.Text(2)};
}

void Store::AddSession(std::string_view tokenDigest, std::int64_t account, std::string_view formToken,
                       std::int64_t expiresAt, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "DELETE FROM sessions WHERE expires_at <= ?").Bind(now).Step();
    Statement(db_,
              "INSERT INTO sessions (token_digest, account_id, form_token, expires_at) VALUES (?, ?, ?, ?)")
        .Bind(tokenDigest)
        .Bind(account)
        .Bind(formToken)
        .Bind(expiresAt)
        .Step();
}

std::optional<SessionRecord> Store::FindSession(std::string_view tokenDigest, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement query(db_, "SELECT sessions.account_id, accounts.name, sessions.form_token FROM sessions "
                         "JOIN accounts ON accounts.id = sessions.account_id "
                         "WHERE sessions.token_digest = ? AND sessions.expires_at > ?");
    query.Bind(tokenDigest).Bind(now);
    if (!query.Step())
        return std::nullopt;
    return SessionRecord{query.Number(0), query.Text(1), query.Text(2)};
}

void Store::RemoveSession(std::string_view tokenDigest) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "DELETE FROM sessions WHERE token_digest = ?").Bind(tokenDigest).Step();
}

LinkOutcome Store::Link(std::string_view linkId, std::int64_t account, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "INSERT OR IGNORE INTO links (link_id, account_id, linked_at) VALUES (?, ?, ?)")
        .Bind(linkId)
        .Bind(account)
        .Bind(now)
        .Step();
    if (sqlite3_changes(db_) > 0)
        return LinkOutcome::Linked;
    Statement owner(db_, "SELECT account_id FROM links WHERE link_id = ?");
    owner.Bind(linkId).Step();
    return owner.Number(0) == account ? LinkOutcome::AlreadyLinked : LinkOutcome::OtherAccount;
}

bool Store::Unlink(std::int64_t number, std::int64_t account) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "DELETE FROM links WHERE id = ? AND account_id = ?").Bind(number).Bind(account).Step();
    return sqlite3_changes(db_) > 0;
}

std::optional<std::int64_t> Store::KeyOwner(std::string_view linkId) {
    const std::lock_guard lock(mutex_);
    Statement query(db_, "SELECT account_id FROM links WHERE link_id = ?");
    query.Bind(linkId);
    if (!query.Step())
        return std::nullopt;
    return query.Number(0);
}

std::vector<LinkRecord> Store::Links(std::int64_t account) {
    const std::lock_guard lock(mutex_);
    Statement query(db_,
                    "SELECT id, link_id, linked_at FROM links WHERE account_id = ? ORDER BY linked_at, id");
    query.Bind(account);
    std::vector<LinkRecord> links;
    while (query.Step())
        links.push_back({query.Number(0), query.Text(1), query.Number(2)});
    return links;
}

ImageRecord Store::AddImage(std::string_view id, std::string_view name, std::string_view source,
                            std::string_view uploadedBy, std::int64_t account, std::int64_t bytes,
                            std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "INSERT INTO images (id, name, source, uploaded_by, account_id, bytes, created_at) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?)")
        .Bind(id)
        .Bind(name)
        .Bind(source)
        .Bind(uploadedBy)
        .Bind(account)
        .Bind(bytes)
        .Bind(now)
        .Step();
    return {sqlite3_last_insert_rowid(db_),
            account,
            std::string(id),
            std::string(name),
            std::string(source),
            bytes,
            now};
}

std::optional<ImageRecord> Store::FindImage(std::string_view id) {
    const std::lock_guard lock(mutex_);
    Statement query(db_, std::string(kImageColumns) + "WHERE id = ?");
    query.Bind(id);
    if (!query.Step())
        return std::nullopt;
    return ReadImage(query);
}

std::optional<ImageRecord> Store::NewestImage(std::int64_t account) {
    const std::lock_guard lock(mutex_);
    Statement query(db_, std::string(kImageColumns) + "WHERE account_id = ? ORDER BY sequence DESC LIMIT 1");
    query.Bind(account);
    if (!query.Step())
        return std::nullopt;
    return ReadImage(query);
}

std::vector<ImageRecord> Store::NewestImages() {
    const std::lock_guard lock(mutex_);
    Statement query(db_,
                    std::string(kImageColumns) +
                        "WHERE sequence IN (SELECT max(sequence) FROM images WHERE account_id IS NOT NULL "
                        "GROUP BY account_id)");
    std::vector<ImageRecord> images;
    while (query.Step())
        images.push_back(ReadImage(query));
    return images;
}

} // namespace kavelo
