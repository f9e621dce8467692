#pragma once

#include "Store.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kavelo {

// Tells every open live view about each new picture of its account, as server-sent events. The
// live view shows only the newest picture, so the feed keeps only each account's newest to catch
// up late subscribers. Lives on the network thread: every call comes from there.
class LiveFeed {
public:
    using Subscriber = std::function<void(const std::string& eventText)>;

    // Each account's newest picture.
    explicit LiveFeed(const std::vector<ImageRecord>& newest);

    // Hands the account's newest picture to `subscriber` at once when it is newer than sequence
    // `after`, then every newer one of the account as it comes.
    std::uint64_t Subscribe(std::int64_t account, std::int64_t after, Subscriber subscriber);
    void Unsubscribe(std::uint64_t token);
    // Pictures can be committed by two workers in either order; an older one than the newest is
    // not news.
    void Publish(const ImageRecord& image);

    static std::string EventText(const ImageRecord& image);

private:
    struct Subscription {
        std::int64_t account;
        Subscriber subscriber;
    };
    std::map<std::int64_t, ImageRecord> newest_; // by account
    std::map<std::uint64_t, Subscription> subscribers_;
    std::uint64_t nextToken_ = 1;
};

} // namespace kavelo
