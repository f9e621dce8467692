#pragma once

// A helper program (a proxy, a slow link) that the native TLS relay starts for a Windows test, as
// wine gives a Windows program no way to start a native one and stop it by its process id. The relay
// stops it when this goes.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace HttpTest {

class RelayedHelper {
public:
    // Asks the relay (one command line, see TlsRelay.cpp) and waits for the helper to be ready.
    explicit RelayedHelper(const std::string& command);
    RelayedHelper(const RelayedHelper&) = delete;
    RelayedHelper& operator=(const RelayedHelper&) = delete;
    ~RelayedHelper();

    std::uint16_t Port() const { return port; }
    const std::filesystem::path& Folder() const { return folder; } // the helper's files, as wine sees them

private:
    struct Control;
    std::unique_ptr<Control> control;
    std::uint16_t port = 0;
    std::filesystem::path folder;
};

} // namespace HttpTest
