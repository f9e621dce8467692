#include "LiveFeed.hpp"

#include "JsonText.hpp"

#include <vector>

namespace kavelo {

LiveFeed::LiveFeed(const std::vector<ImageRecord>& newest) {
    for (const ImageRecord& image : newest)
        newest_.emplace(image.account, image);
}

std::uint64_t LiveFeed::Subscribe(std::int64_t account, std::int64_t after, Subscriber subscriber) {
    if (const auto found = newest_.find(account); found != newest_.end() && found->second.sequence > after)
        subscriber(EventText(found->second));
    const std::uint64_t token = nextToken_++;
    subscribers_.emplace(token, Subscription{account, std::move(subscriber)});
    return token;
}

void LiveFeed::Unsubscribe(std::uint64_t token) {
    subscribers_.erase(token);
}

void LiveFeed::Publish(const ImageRecord& image) {
    const auto [newest, first] = newest_.try_emplace(image.account, image);
    if (!first) {
        if (newest->second.sequence >= image.sequence)
            return;
        newest->second = image;
    }
    const std::string text = EventText(image);
    std::vector<Subscriber> current; // a subscriber's call may end another subscription
    for (const auto& [token, subscription] : subscribers_) {
        if (subscription.account == image.account)
            current.push_back(subscription.subscriber);
    }
    for (const Subscriber& subscriber : current)
        subscriber(text);
}

std::string LiveFeed::EventText(const ImageRecord& image) {
    return "id: " + std::to_string(image.sequence) + "\nevent: image\ndata: {\"id\":" + JsonQuote(image.id) +
           ",\"name\":" + JsonQuote(image.name) + ",\"source\":" + JsonQuote(image.source) +
           ",\"sequence\":" + std::to_string(image.sequence) +
           ",\"createdAt\":" + std::to_string(image.createdAt) + "}\n\n";
}

} // namespace kavelo
