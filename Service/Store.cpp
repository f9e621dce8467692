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

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS links (
    link_id   TEXT PRIMARY KEY,
    linked_at INTEGER NOT NULL
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS images (
    sequence    INTEGER PRIMARY KEY AUTOINCREMENT,
    id          TEXT NOT NULL UNIQUE,
    name        TEXT NOT NULL,
    source      TEXT NOT NULL,
    uploaded_by TEXT NOT NULL,
    bytes       INTEGER NOT NULL,
    created_at  INTEGER NOT NULL
);
PRAGMA user_version = 1;
)sql";

constexpr std::string_view kImageColumns =
    "SELECT sequence, id, name, source, bytes, created_at FROM images ";

ImageRecord ReadImage(const Statement& row) {
    return {row.Number(0), row.Text(1), row.Text(2), row.Text(3), row.Number(4), row.Number(5)};
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
        Execute(db_, kSchema);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

Store::~Store() {
    sqlite3_close(db_);
}

bool Store::Link(std::string_view linkId, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "INSERT OR IGNORE INTO links (link_id, linked_at) VALUES (?, ?)")
        .Bind(linkId)
        .Bind(now)
        .Step();
    return sqlite3_changes(db_) > 0;
}

bool Store::Unlink(std::string_view linkId) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "DELETE FROM links WHERE link_id = ?").Bind(linkId).Step();
    return sqlite3_changes(db_) > 0;
}

bool Store::IsLinked(std::string_view linkId) {
    const std::lock_guard lock(mutex_);
    return Statement(db_, "SELECT 1 FROM links WHERE link_id = ?").Bind(linkId).Step();
}

std::vector<LinkRecord> Store::Links() {
    const std::lock_guard lock(mutex_);
    Statement query(db_, "SELECT link_id, linked_at FROM links ORDER BY linked_at, link_id");
    std::vector<LinkRecord> links;
    while (query.Step())
        links.push_back({query.Text(0), query.Number(1)});
    return links;
}

ImageRecord Store::AddImage(std::string_view id, std::string_view name, std::string_view source,
                            std::string_view uploadedBy, std::int64_t bytes, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement(
        db_,
        "INSERT INTO images (id, name, source, uploaded_by, bytes, created_at) VALUES (?, ?, ?, ?, ?, ?)")
        .Bind(id)
        .Bind(name)
        .Bind(source)
        .Bind(uploadedBy)
        .Bind(bytes)
        .Bind(now)
        .Step();
    return {
        sqlite3_last_insert_rowid(db_), std::string(id), std::string(name), std::string(source), bytes, now};
}

std::optional<ImageRecord> Store::FindImage(std::string_view id) {
    const std::lock_guard lock(mutex_);
    Statement query(db_, std::string(kImageColumns) + "WHERE id = ?");
    query.Bind(id);
    if (!query.Step())
        return std::nullopt;
    return ReadImage(query);
}

std::optional<ImageRecord> Store::NewestImage() {
    const std::lock_guard lock(mutex_);
    Statement query(db_, std::string(kImageColumns) + "ORDER BY sequence DESC LIMIT 1");
    if (!query.Step())
        return std::nullopt;
    return ReadImage(query);
}

} // namespace kavelo
