#pragma once

// Tests/Support/slow-link.py between the client and a server: a link of a given rate and round trip
// that can stall the upload once.

#include "ChildProgram.hpp"
#include "TestPlatform.hpp"

#include <cstdint>
#include <string>

namespace HttpTest {

struct LinkSettings {
    std::string rate; // bits per second each way, as the relay reads it ("20M")
    int roundTripMs = 40;
    std::uint64_t stallAt = 0; // upload byte offset
    double stallSeconds = 0;
};

class SlowLink {
public:
    SlowLink(std::uint16_t serverPort, const LinkSettings& settings);

    std::uint16_t GetPort() const { return port; }

private:
    std::uint16_t port = 0;
    HostTest::TemporaryFolder folder; // its output
    Testing::ChildProgram process;
};

} // namespace HttpTest
