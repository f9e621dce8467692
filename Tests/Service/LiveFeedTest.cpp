#include "LiveFeed.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kavelo {
namespace {

constexpr std::int64_t kAccount = 1;

ImageRecord Image(std::int64_t sequence, std::string name = "Archicad export",
                  std::int64_t account = kAccount) {
    return {sequence,
            account,
            "id" + std::to_string(sequence),
            std::move(name),
            "archicad",
            100,
            1700000000 + sequence};
}

struct Recorder {
    std::vector<std::string> events;
    LiveFeed::Subscriber Subscriber() {
        return [this](const std::string& text) { events.push_back(text); };
    }
};

TEST(ServiceLiveFeedTest, NewSubscriberCatchesUpOnlyWithANewerPicture) {
    LiveFeed feed({Image(4), Image(2, "other's", kAccount + 1)});
    Recorder behind, current;
    feed.Subscribe(kAccount, 3, behind.Subscriber());
    feed.Subscribe(kAccount, 4, current.Subscriber());
    ASSERT_EQ(behind.events.size(), 1u);
    EXPECT_NE(behind.events[0].find("\"id\":\"id4\""), std::string::npos);
    EXPECT_TRUE(current.events.empty());

    LiveFeed empty({});
    Recorder first;
    empty.Subscribe(kAccount, 0, first.Subscriber());
    EXPECT_TRUE(first.events.empty());
}

TEST(ServiceLiveFeedTest, PublishesNewerPicturesToEverySubscriberAndSkipsOlderOnes) {
    LiveFeed feed({});
    Recorder a, b, other;
    feed.Subscribe(kAccount, 0, a.Subscriber());
    const std::uint64_t token = feed.Subscribe(kAccount, 0, b.Subscriber());
    feed.Subscribe(kAccount + 1, 0, other.Subscriber());
    feed.Publish(Image(2));
    feed.Unsubscribe(token);
    feed.Publish(Image(1)); // committed before 2 but published after it
    feed.Publish(Image(2));
    feed.Publish(Image(3));
    feed.Publish(Image(4, "other's", kAccount + 1));
    ASSERT_EQ(a.events.size(), 2u);
    EXPECT_NE(a.events[0].find("id: 2\n"), std::string::npos);
    EXPECT_NE(a.events[1].find("id: 3\n"), std::string::npos);
    EXPECT_EQ(b.events.size(), 1u);
    ASSERT_EQ(other.events.size(), 1u) << "each account hears only of its own pictures";
    EXPECT_NE(other.events[0].find("id: 4\n"), std::string::npos);

    Recorder late;
    feed.Subscribe(kAccount, 0, late.Subscriber());
    ASSERT_EQ(late.events.size(), 1u);
    EXPECT_NE(late.events[0].find("id: 3\n"), std::string::npos);
}

TEST(ServiceLiveFeedTest, EventIsOneServerSentEventWithJsonData) {
    const std::string text = LiveFeed::EventText(Image(9, "line\nbreak \"quoted\" \\ end"));
    EXPECT_EQ(text,
              "id: 9\nevent: image\ndata: {\"id\":\"id9\",\"name\":\"line\\nbreak \\\"quoted\\\" \\\\ end\","
              "\"source\":\"archicad\",\"sequence\":9,\"createdAt\":1700000009}\n\n");
}

} // namespace
} // namespace kavelo
