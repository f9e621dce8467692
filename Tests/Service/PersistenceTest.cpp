#include "ServiceFixture.hpp"

#include <gmock/gmock.h>

#include <atomic>
#include <csignal>
#include <map>
#include <mutex>
#include <thread>

namespace kavelo::test {
namespace {

using testing::HasSubstr;

class ServicePersistenceTest : public ServiceTest {};

TEST_F(ServicePersistenceTest, LinksAndPicturesSurviveARestart) {
    Start();
    const Person person = SignIn();
    const std::string linkId = LinkNewId(Service(), person);
    const std::string jpeg = MakeJpeg(50'000, 1);
    const std::string id = UploadImage(Service(), linkId, jpeg);
    ASSERT_FALSE(id.empty());
    const std::string authority = ReadFile(Service().CaFile());
    Service().Signal(SIGTERM);
    ASSERT_EQ(Service().Wait(), 0);

    Start();
    EXPECT_EQ(ReadFile(Service().CaFile()), authority) << "the certificate authority was made anew";
    EXPECT_THAT(Service().Log(), HasSubstr("authority_created=0 certificate_issued=0"));
    EXPECT_TRUE(Send(person.Page("/api/v1/images/" + id)).body == jpeg) << "or the session was lost";
    EXPECT_THAT(Send(person.Page("/?uploadRealtime=true")).body, HasSubstr(id));
    EXPECT_FALSE(UploadImage(Service(), linkId, jpeg).empty()) << "the link was lost";
}

// Uploads from several clients at once until the service is killed; every upload answered 201
// must be complete after a restart, and nothing half-written may remain.
TEST_F(ServicePersistenceTest, EveryAcknowledgedUploadSurvivesKill9) {
    Start();
    const Person person = SignIn();
    const std::string linkId = LinkNewId(Service(), person);
    std::mutex mutex;
    std::map<std::string, std::string> acknowledged; // id -> picture
    std::atomic<bool> killed = false;
    std::vector<std::thread> clients;
    for (unsigned client = 0; client < 6; ++client) {
        clients.emplace_back([&, client] {
            for (unsigned n = 0; !killed; ++n) {
                const std::string jpeg = MakeJpeg(200'000 + n, client * 1000 + n);
                try {
                    if (const std::string id = UploadImage(Service(), linkId, jpeg); !id.empty()) {
                        const std::lock_guard lock(mutex);
                        acknowledged.emplace(id, jpeg);
                    }
                } catch (const std::runtime_error&) {
                    // the service died under this upload
                }
            }
        });
    }
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::lock_guard lock(mutex);
        if (acknowledged.size() >= 30)
            break;
    }
    Service().Signal(SIGKILL);
    Service().Wait();
    killed = true;
    for (auto& client : clients)
        client.join();

    Start();
    for (const auto& [id, jpeg] : acknowledged) {
        const Response image = Send(person.Page("/api/v1/images/" + id));
        ASSERT_EQ(image.status, 200u) << "lost " << id;
        ASSERT_TRUE(image.body == jpeg) << "damaged " << id;
    }
    for (const auto& entry : std::filesystem::directory_iterator(DataDir() / "images")) {
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(name.ends_with(".jpg")) << "left behind: " << name;
        EXPECT_EQ(Send(person.Page("/api/v1/images/" + name.substr(0, name.size() - 4))).status, 200u)
            << "a picture without a record: " << name;
    }
}

} // namespace
} // namespace kavelo::test
