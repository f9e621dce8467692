#include "SlowLink.hpp"

#include <string_view>

namespace HttpTest {

SlowLink::SlowLink(std::uint16_t serverPort, const LinkSettings& settings)
    : process(KAVELO_PYTHON3,
              {KAVELO_SLOW_LINK, "--to", "127.0.0.1:" + std::to_string(serverPort), "--rate", settings.rate,
               "--rtt", std::to_string(settings.roundTripMs), "--stall-at", std::to_string(settings.stallAt),
               "--stall-for", std::to_string(settings.stallSeconds), "--record", (folder / "upload").string()},
              {{}, folder / "output", folder / "output"}) {
    process.AwaitReady(
        [this] {
            constexpr std::string_view Ready = "listening on ";
            const std::string output = Testing::ReadFile(folder / "output");
            if (!output.starts_with(Ready) || output.find('\n') == std::string::npos) {
                return false;
            }
            port = static_cast<std::uint16_t>(std::stoul(output.substr(Ready.size())));
            return true;
        },
        std::chrono::seconds(10));
}

const std::filesystem::path& SlowLink::Folder() const {
    return folder.Path();
}

} // namespace HttpTest
