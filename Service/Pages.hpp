#pragma once

#include "Store.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavelo {

// The HTML pages the browser sees. Every text from outside is escaped; scripts come only from
// /assets, so the pages work under a strict content security policy.

std::string LoginPage(std::string_view linkId, bool alreadyLinked);
std::string LinkedPage(std::string_view linkId);
std::string UnlinkedPage(std::string_view linkId, bool wasLinked);
std::string AccountPage(const std::vector<LinkRecord>& links);
std::string ErrorPage(std::string_view title, std::string_view message);

// `shown` is the picture on the page when it opens; `notice` says why there is none. The page then
// follows the live feed from sequence `after` on.
std::string LiveViewPage(const std::optional<ImageRecord>& shown, std::string_view notice,
                         std::int64_t after);

std::string EscapeHtml(std::string_view text);

} // namespace kavelo
