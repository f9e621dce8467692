#include "SlowLink.hpp"

#include <functional>
#include <string_view>

namespace HttpTest {

namespace {

ChildProcess Start(std::uint16_t serverPort, const LinkSettings& settings,
                   const std::function<bool()>& ready) {
    std::filesystem::path folder = ChildProcess::MakeFolder();
    const std::string record = (folder / "upload").string();
    return ChildProcess(std::move(folder),
                        {KAVELO_PYTHON3, KAVELO_SLOW_LINK, "--to", "127.0.0.1:" + std::to_string(serverPort),
                         "--rate", settings.rate, "--rtt", std::to_string(settings.roundTripMs), "--stall-at",
                         std::to_string(settings.stallAt), "--stall-for",
                         std::to_string(settings.stallSeconds), "--record", record},
                        ready);
}

} // namespace

SlowLink::SlowLink(std::uint16_t serverPort, const LinkSettings& settings)
    : process(Start(serverPort, settings, [this] {
          constexpr std::string_view Ready = "listening on ";
          const std::string output = process.Output();
          if (!output.starts_with(Ready) || output.find('\n') == std::string::npos) {
              return false;
          }
          port = static_cast<std::uint16_t>(std::stoul(output.substr(Ready.size())));
          return true;
      })) {}

} // namespace HttpTest
