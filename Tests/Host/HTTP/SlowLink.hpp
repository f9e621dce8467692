#pragma once

// Tests/Support/slow-link.py between the client and a server: a link of a given rate and round trip
// that can stall the upload once, and that keeps what the client sent. A Windows test has the TLS
// relay start it natively.

#include "ChildProgram.hpp"

#ifdef _WIN32
#include "RelayedHelper.hpp"
#else
#include "TestPlatform.hpp"
#endif

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
    const std::filesystem::path& Folder() const;
    // Every byte the clients sent, as a tap on the wire saw them.
    std::string Recorded() const { return Testing::ReadFile(Folder() / "upload"); }

private:
    std::uint16_t port = 0;
#ifdef _WIN32
    RelayedHelper process;
#else
    HostTest::TemporaryFolder folder; // its output and what it recorded
    Testing::ChildProgram process;
#endif
};

} // namespace HttpTest
