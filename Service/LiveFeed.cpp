#include "LiveFeed.hpp"

#include "JsonText.hpp"

#include <vector>

namespace kavelo {

LiveFeed::LiveFeed(std::optional<ImageRecord> newest) : newest_(std::move(newest)) {}

std::uint64_t LiveFeed::Subscribe(std::int64_t after, Subscriber subscriber) {
    if (newest_ && newest_->sequence > after)
        subscriber(EventText(*newest_));
    const std::uint64_t token = nextToken_++;
    subscribers_.emplace(token, std::move(subscriber));
    return token;
}

void LiveFeed::Unsubscribe(std::uint64_t token) {
    subscribers_.erase(token);
}

void LiveFeed::Publish(const ImageRecord& image) {
    if (newest_ && newest_->sequence >= image.sequence)
        return;
    newest_ = image;
    const std::string text = EventText(image);
    std::vector<Subscriber> current; // a subscriber's call may end another subscription
    current.reserve(subscribers_.size());
    for (const auto& [token, subscriber] : subscribers_)
        current.push_back(subscriber);
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
