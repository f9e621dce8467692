#include "Accounts.hpp"

#include "Ids.hpp"
#include "Passwords.hpp"

#include <algorithm>

namespace kavelo {

namespace {

constexpr std::size_t kTokenBytes = 32;
constexpr auto kLongestWait = std::chrono::seconds(60);
// Past this many names with failures, those whose wait is long over are forgotten.
constexpr std::size_t kFailuresKept = 1024;
constexpr auto kFailuresRemembered = std::chrono::minutes(15);

} // namespace

Accounts::Accounts(Store& store, std::chrono::seconds sessionLifetime)
    : store_(store), lifetime_(sessionLifetime), decoy_(HashPassword(RandomText(15))) {}

bool Accounts::IsUserName(std::string_view name) {
    return !name.empty() && name.size() <= 64 && std::ranges::all_of(name, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '-' || c == '_' || c == '@';
    });
}

std::optional<std::string> Accounts::Create(std::string_view name, std::int64_t now) {
    if (!IsUserName(name))
        return std::nullopt;
    std::string password = NewPassword();
    if (!store_.AddAccount(name, HashPassword(password), now))
        return std::nullopt;
    return password;
}

std::variant<std::string, Accounts::Refused> Accounts::SignIn(std::string_view name,
                                                              std::string_view password, std::int64_t now) {
    if (const auto wait = Wait(name))
        return Refused{*wait};
    const std::optional<AccountRecord> account = store_.FindAccount(name);
    if (!VerifyPassword(password, account ? account->passwordHash : decoy_) || !account) {
        Failed(name);
        return Refused{};
    }
    {
        const std::lock_guard lock(mutex_);
        failures_.erase(std::string(name));
    }
    std::string token = RandomText(kTokenBytes);
    store_.AddSession(TokenDigest(token), account->id, RandomText(kTokenBytes), now + lifetime_.count(), now);
    return token;
}

std::optional<SessionRecord> Accounts::Find(std::string_view token, std::int64_t now) {
    if (token.empty())
        return std::nullopt;
    return store_.FindSession(TokenDigest(token), now);
}

void Accounts::SignOut(std::string_view token) {
    store_.RemoveSession(TokenDigest(token));
}

std::optional<std::chrono::seconds> Accounts::Wait(std::string_view name) {
    const std::lock_guard lock(mutex_);
    const auto found = failures_.find(std::string(name));
    const auto now = Clock::now();
    if (found == failures_.end() || found->second.until <= now)
        return std::nullopt;
    // Rounded up, so that a client that waits as told is let in.
    return std::chrono::ceil<std::chrono::seconds>(found->second.until - now);
}

void Accounts::Failed(std::string_view name) {
    const std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    if (failures_.size() >= kFailuresKept)
        std::erase_if(failures_,
                      [now](const auto& entry) { return entry.second.until + kFailuresRemembered < now; });
    Failures& failures = failures_[std::string(name)];
    failures.count = std::min(failures.count + 1, 16u);
    failures.until = now + std::min<Clock::duration>(
                               std::chrono::seconds(std::int64_t{1} << (failures.count - 1)), kLongestWait);
}

} // namespace kavelo
