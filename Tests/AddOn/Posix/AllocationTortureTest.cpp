// The add-on's commands under allocation failures, through the real module.

#include "DGHost.hpp"
#include "GSRootHost.hpp"
#include "HTTPHost.hpp"
#include "ModuleHost.hpp"
#include "TestCertificates.hpp"
#include "TestServer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Testing::ModuleHost;

class AddOnTorture : public ::testing::Test {
protected:
    ModuleHost host{ModuleHost::BuiltModulePath()};
};

// A picture of `size` bytes of noise: no run of it compresses, every copy of it allocates.
std::string NoisePicture(std::size_t size) {
    std::mt19937 noise(7);
    std::string picture(size, '\0');
    for (char& byte : picture)
        byte = char(noise());
    return picture;
}

// Every command gives back all it took, also when any one of its allocations fails, on pictures
// large enough that every copy of them allocates: the exports reach a server that takes the picture.
// No exception reaches the host, and every failure is reported (with a beep) except those a command
// ends on silently: the two blocks of the export's picture handle, the browser launch's URL buffer.
TEST_F(AddOnTorture, CommandsReleaseEverythingEvenWhenAnAllocationFails) {
    HTTP::Host::AddTrustedCertificateFile(HttpTest::TestCertificates::Get().caFile);
    HttpTest::TestServer server(
        HttpTest::TestCertificates::Get().localhost,
        [](HttpTest::Connection& connection) {
            connection.ReadRequest();
            connection.Write("HTTP/1.1 201 Created\r\nContent-Length: 13\r\n\r\n{\"id\":\"abc\"}\n");
        },
        std::numeric_limits<int>::max());
    HTTP::Host::SetConnectTo("localhost", 8443, "127.0.0.1", server.GetPort());
    std::vector<UInt8> linked(48, 0);
    std::memcpy(linked.data(), "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9", 36);
    host.Start();
    const auto exportOf = [&](std::size_t pictureSize) {
        return [&, picture = NoisePicture(pictureSize)] {
            host.StorePreferences(1, linked);
            host.viewPicture = picture;
            host.PickMenu(32512);
        };
    };

    // Each command fails at most `sample` of its allocations, evenly spread (every exchange with the
    // server costs a TLS handshake): the kilobyte export fails every one, the megabyte export a spread.
    constexpr UInt64 Every = std::numeric_limits<UInt64>::max();
    struct Command {
        const char* name;
        UInt64 sample;
        UInt64 silentFailures; // when every allocation fails
        std::function<void()> run;
    };
    const Command commands[] = {
        {"open live connection", Every, 1, [&] { host.PickMenu(32514); }},
        {"unlink account", Every, 0, [&] { host.PickMenu(32513); }},
        {"export of 3 kB", Every, 2, exportOf(3000)},
        {"export of 2 MB", 16, 2, exportOf(2'000'000)},
        {"export of 3 kB where nobody listens", Every, 2,
         [&, exportSmall = exportOf(3000)] {
             HTTP::Host::SetConnectTo("localhost", 8443, "127.0.0.1", HttpTest::ClosedPort());
             exportSmall();
             HTTP::Host::SetConnectTo("localhost", 8443, "127.0.0.1", server.GetPort());
         }},
        {"toolbar toggle, and again if it opened", Every, 0,
         [&] {
             host.PickMenu(32540);
             if (!DG::Host::ListPalettes().empty())
                 host.PickMenu(32540);
         }},
    };
    for (const Command& command : commands) {
        command.run(); // first use of lazily built state
        const UInt64 baseline = GS::Host::GetMemoryStats().liveBlocks;
        const UInt64 before = GS::Host::GetMemoryStats().allocations;
        command.run();
        const UInt64 allocations = GS::Host::GetMemoryStats().allocations - before;
        const UInt64 step =
            allocations <= command.sample ? 1 : (allocations + command.sample - 1) / command.sample;
        UInt64 failed = 0;
        UInt64 silent = 0;
        for (UInt64 n = 1; n <= allocations; n += step) {
            const std::size_t callsBefore = host.calls.size();
            GS::Host::FailNthAllocation(n);
            EXPECT_NO_THROW(command.run()) << command.name << ", allocation " << n << " failed";
            GS::Host::FailNthAllocation(0);
            ASSERT_EQ(GS::Host::GetMemoryStats().liveBlocks, baseline)
                << command.name << ", allocation " << n << " failed";
            ++failed;
            if (std::find(host.calls.begin() + std::ptrdiff_t(callsBefore), host.calls.end(), "Beep") ==
                host.calls.end())
                ++silent;
        }
        if (step == 1)
            EXPECT_EQ(silent, command.silentFailures) << command.name;
        else
            EXPECT_LE(silent, command.silentFailures) << command.name;
        std::printf("%s: %llu allocations, %llu of them failed in turn\n", command.name,
                    static_cast<unsigned long long>(allocations), static_cast<unsigned long long>(failed));
    }
    HTTP::Host::ResetSettings();
}

} // namespace
