#pragma once

#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <variant>

namespace kavelo {

struct Options {
    boost::asio::ip::tcp::endpoint listen{boost::asio::ip::make_address_v4("127.0.0.1"), 8443};
    std::filesystem::path dataDir; // empty: the default folder
    std::filesystem::path certificate;
    std::filesystem::path key; // given together with `certificate`, or neither
    std::uint64_t maxBody = 16 * 1024 * 1024;
    std::size_t maxConnections = 64; // at most this many bodies of maxBody in memory
    // One address's share: the rest stays free for everyone else.
    std::size_t maxConnectionsPerAddress = 16;
    std::size_t maxStreamsPerAddress = 8;
    std::chrono::milliseconds streamLifetime{300'000};
    std::chrono::milliseconds sessionLifetime{12 * 3600'000};
    std::chrono::milliseconds readTimeout{10'000};
    std::chrono::milliseconds idleTimeout{30'000};
    std::chrono::milliseconds shutdownGrace{10'000};
    bool help = false;
    std::string addUser; // "user add NAME": make the account, print its password, and end
};

// The options after the program name, or a message that says which one is wrong.
std::variant<Options, std::string> ParseOptions(std::span<const char* const> arguments);

// $XDG_DATA_HOME/kavelo-service, else ~/.local/share/kavelo-service; empty when neither is known.
std::filesystem::path DefaultDataDir(const char* xdgDataHome, const char* home);

extern const char* const kUsage;

} // namespace kavelo
