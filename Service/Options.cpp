#include "Options.hpp"

#include <charconv>
#include <optional>
#include <string_view>

namespace kavelo {

const char* const kUsage = R"(usage: kavelo-service [options]
       kavelo-service user add NAME [--data-dir DIR]

The local KAVELO service: sign-in, login page, live view and image endpoint over HTTPS. At its
first start it makes the account "kavelo" and prints its password once; "user add" makes another
account and prints its password.

  --listen HOST:PORT        address to listen on (default 127.0.0.1:8443; port 0 picks a free one)
  --data-dir DIR            database, pictures and certificates
                            (default $XDG_DATA_HOME/kavelo-service or ~/.local/share/kavelo-service)
  --cert FILE --key FILE    serve this certificate chain and key instead of the service's own
  --max-body BYTES          largest accepted upload body, K/M/G suffixes allowed (default 16M)
  --max-connections N       connections served at once; more wait to be accepted (default 64)
  --max-connections-per-address N
                            connections one client address may hold (default 16)
  --max-streams-per-address N
                            live views one client address may follow at once (default 8)
  --stream-lifetime SECONDS time a live view's event stream lasts before its page reconnects
                            (default 300)
  --session-lifetime SECONDS
                            time a sign-in lasts (default 43200, 12 hours)
  --read-timeout SECONDS    time for a request header to arrive (default 10)
  --idle-timeout SECONDS    time a connection may wait for its next request (default 30)
  --shutdown-grace SECONDS  time requests in flight get to finish on SIGINT or SIGTERM (default 10)
  --help                    show this text
)";

namespace {

std::optional<std::uint64_t> ParseSize(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data())
        return std::nullopt;
    const std::string_view suffix(end, static_cast<std::size_t>(text.data() + text.size() - end));
    unsigned shift = 0;
    if (suffix == "K")
        shift = 10;
    else if (suffix == "M")
        shift = 20;
    else if (suffix == "G")
        shift = 30;
    else if (!suffix.empty())
        return std::nullopt;
    if (value == 0 || value > (UINT64_MAX >> shift))
        return std::nullopt;
    return value << shift;
}

std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size() || !(seconds > 0) || seconds > 86400)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000 + 0.5));
}

std::optional<boost::asio::ip::tcp::endpoint> ParseEndpoint(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    std::uint16_t port = 0;
    const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc{} || end != portText.data() + portText.size() || portText.empty())
        return std::nullopt;
    boost::system::error_code invalid;
    const auto address = boost::asio::ip::make_address(
        host == "localhost" ? std::string("127.0.0.1") : std::string(host), invalid);
    if (invalid)
        return std::nullopt;
    return boost::asio::ip::tcp::endpoint(address, port);
}

} // namespace

std::variant<Options, std::string> ParseOptions(std::span<const char* const> arguments) {
    Options options;
    if (!arguments.empty() && std::string_view(arguments[0]) == "user") {
        if (arguments.size() < 3 || std::string_view(arguments[1]) != "add")
            return std::string("user: say \"user add NAME\"");
        options.addUser = arguments[2];
        if (options.addUser.empty())
            return std::string("user add: the name is empty");
        arguments = arguments.subspan(3);
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return name.starts_with("--") ? "option " + std::string(name) + " needs a value"
                                          : "unknown argument " + std::string(name);
        const std::string_view value = arguments[++i];
        const auto bad = [&] { return "invalid value for " + std::string(name) + ": " + std::string(value); };

        if (name == "--listen") {
            const auto endpoint = ParseEndpoint(value);
            if (!endpoint)
                return bad();
            options.listen = *endpoint;
        } else if (name == "--data-dir" || name == "--cert" || name == "--key") {
            if (value.empty())
                return bad();
            (name == "--data-dir" ? options.dataDir
             : name == "--cert"   ? options.certificate
                                  : options.key) = value;
        } else if (name == "--max-body") {
            const auto size = ParseSize(value);
            if (!size)
                return bad();
            options.maxBody = *size;
        } else if (name == "--max-connections" || name == "--max-connections-per-address" ||
                   name == "--max-streams-per-address") {
            const auto count = ParseSize(value);
            if (!count || *count > 100'000)
                return bad();
            (name == "--max-connections"               ? options.maxConnections
             : name == "--max-connections-per-address" ? options.maxConnectionsPerAddress
                                                       : options.maxStreamsPerAddress) =
                static_cast<std::size_t>(*count);
        } else if (name == "--read-timeout" || name == "--idle-timeout" || name == "--shutdown-grace" ||
                   name == "--stream-lifetime" || name == "--session-lifetime") {
            const auto duration = ParseSeconds(value);
            if (!duration)
                return bad();
            (name == "--read-timeout"      ? options.readTimeout
             : name == "--idle-timeout"    ? options.idleTimeout
             : name == "--shutdown-grace"  ? options.shutdownGrace
             : name == "--stream-lifetime" ? options.streamLifetime
                                           : options.sessionLifetime) = *duration;
        } else {
            return "unknown option " + std::string(name);
        }
    }
    if (options.certificate.empty() != options.key.empty())
        return std::string("--cert and --key go together");
    return options;
}

std::filesystem::path DefaultDataDir(const char* xdgDataHome, const char* home) {
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (xdgDataHome && xdgDataHome[0] == '/')
        return std::filesystem::path(xdgDataHome) / "kavelo-service";
    if (home && home[0] != '\0')
        return std::filesystem::path(home) / ".local" / "share" / "kavelo-service";
    return {};
}

} // namespace kavelo
