#pragma once

#include "Store.hpp"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>

namespace kavelo {

// People and their sessions. A session is a random token in a cookie; the database keeps only its
// digest, with the session's form token and its end. Wrong passwords for a name make the next
// attempt for that name wait, doubling up to a minute; a right one clears the count.
class Accounts {
public:
    Accounts(Store& store, std::chrono::seconds sessionLifetime);

    // The generated password of a new account, or nothing when the name is taken or not a name.
    std::optional<std::string> Create(std::string_view name, std::int64_t now);
    // User names: 1 to 64 letters, digits and ".-_@".
    static bool IsUserName(std::string_view name);

    struct Refused {
        std::chrono::seconds retryAfter{0}; // zero: wrong name or password; else: too soon
    };
    // The new session's token, or why not.
    std::variant<std::string, Refused> SignIn(std::string_view name, std::string_view password,
                                              std::int64_t now);
    std::optional<SessionRecord> Find(std::string_view token, std::int64_t now);
    void SignOut(std::string_view token);

    std::chrono::seconds SessionLifetime() const { return lifetime_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Failures {
        unsigned count = 0;
        Clock::time_point until;
    };
    std::optional<std::chrono::seconds> Wait(std::string_view name);
    void Failed(std::string_view name);

    Store& store_;
    std::chrono::seconds lifetime_;
    std::mutex mutex_;
    std::unordered_map<std::string, Failures> failures_;
    const std::string decoy_; // hashed against for unknown names, so they take as long as known ones
};

} // namespace kavelo
