// The tests' helper programs on Windows: the TLS relay starts them natively (see TlsRelay.cpp).

#include "SlowLink.hpp"
#include "TinyProxy.hpp"

namespace HttpTest {

namespace {

std::string Word(const std::string& text) {
    return text.empty() ? "-" : text;
}

} // namespace

SlowLink::SlowLink(std::uint16_t serverPort, const LinkSettings& settings)
    : process("link " + std::to_string(serverPort) + " " + settings.rate + " " +
              std::to_string(settings.roundTripMs) + " " + std::to_string(settings.stallAt) + " " +
              std::to_string(settings.stallSeconds)) {
    port = process.Port();
}

TinyProxy::TinyProxy(const ProxySettings& settings)
    : process([&settings] {
          std::string command = "proxy " + Word(settings.user) + " " + Word(settings.password);
          for (const std::uint16_t allowed : settings.connectPorts) {
              command += " " + std::to_string(allowed);
          }
          return command;
      }()),
      port(process.Port()) {}

const std::filesystem::path& SlowLink::Folder() const {
    return process.Folder();
}

const std::filesystem::path& TinyProxy::Folder() const {
    return process.Folder();
}

} // namespace HttpTest
