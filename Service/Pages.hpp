#pragma once

#include "Store.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavelo {

// The HTML pages the browser sees. Every text from outside is escaped; scripts come only from
// /assets, so the pages work under a strict content security policy.

// `formToken` goes into every form as "csrf"; `next` is where a signed-in person goes on to.
std::string SignInPage(std::string_view formToken, std::string_view next, std::string_view problem);
// Asks the signed-in person to link the installation to their account.
std::string LoginPage(const SessionRecord& session, std::string_view linkId, LinkOutcome state);
std::string LinkedPage(const SessionRecord& session, std::string_view linkId);
std::string UnlinkedPage(const SessionRecord& session, bool wasLinked);
std::string AccountPage(const SessionRecord& session, const std::vector<LinkRecord>& links);
std::string ErrorPage(std::string_view title, std::string_view message);

// `shown` is the picture on the page when it opens; `notice` says why there is none. The page then
// follows the live feed from sequence `after` on.
std::string LiveViewPage(const SessionRecord& session, const std::optional<ImageRecord>& shown,
                         std::string_view notice, std::int64_t after);

std::string EscapeHtml(std::string_view text);

} // namespace kavelo
