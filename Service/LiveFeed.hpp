#pragma once

#include "Store.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace kavelo {

// Tells every open live view about each new picture, as server-sent events. The live view shows
// only the newest picture, so the feed keeps only that one to catch up late subscribers. Lives on
// the network thread: every call comes from there.
class LiveFeed {
public:
    using Subscriber = std::function<void(const std::string& eventText)>;

    explicit LiveFeed(std::optional<ImageRecord> newest);

    // Hands the newest picture to `subscriber` at once when it is newer than sequence `after`, then
    // every newer one as it comes.
    std::uint64_t Subscribe(std::int64_t after, Subscriber subscriber);
    void Unsubscribe(std::uint64_t token);
    // Pictures can be committed by two workers in either order; an older one than the newest is
    // not news.
    void Publish(const ImageRecord& image);

    static std::string EventText(const ImageRecord& image);

private:
    std::optional<ImageRecord> newest_;
    std::map<std::uint64_t, Subscriber> subscribers_;
    std::uint64_t nextToken_ = 1;
};

} // namespace kavelo
