#include "BrowserLaunch.hpp"

#include <string>

namespace Workbench {

void ShowBrowserLaunch(Transcript& transcript, Console& console, std::string_view url) {
    transcript.Write("browser-launched", JsonObject().String("url", url));
    console.Say("[browser] " + std::string(url));
}

} // namespace Workbench
