#include "Pages.hpp"

#include <ctime>

namespace kavelo {

namespace {

constexpr std::string_view kLiveViewPath = "/?uploadRealtime=true";

std::string Layout(std::string_view title, std::string_view content, std::string_view script = {}) {
    std::string page = "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    page += EscapeHtml(title);
    page += " · KAVELO</title>\n<link rel=\"stylesheet\" href=\"/assets/style.css\">\n";
    if (!script.empty()) {
        page += "<script src=\"";
        page += script;
        page += "\" defer></script>\n";
    }
    page += "</head>\n<body>\n";
    page += content;
    page += "</body>\n</html>\n";
    return page;
}

std::string FormatTime(std::int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
    return text;
}

std::string HiddenField(std::string_view name, std::string_view value) {
    return "<input type=\"hidden\" name=\"" + std::string(name) + "\" value=\"" + EscapeHtml(value) + "\">\n";
}

// A form of one button; `fields` are its hidden inputs, already HTML.
std::string ButtonForm(std::string_view action, const SessionRecord& session, std::string_view fields,
                       std::string_view button) {
    return "<form method=\"post\" action=\"" + std::string(action) + "\">\n" +
           HiddenField("csrf", session.formToken) + std::string(fields) + "<button type=\"submit\">" +
           std::string(button) + "</button>\n</form>\n";
}

std::string Card(std::string_view title, std::string_view body) {
    return "<main class=\"card\">\n<h1>" + EscapeHtml(title) + "</h1>\n" + std::string(body) + "</main>\n";
}

// Enough of a key to tell installations apart; the whole key stays with the installation.
std::string KeyPrefix(std::string_view linkId) {
    return EscapeHtml(linkId.substr(0, 8)) + "…";
}

std::string InstallationLine(std::string_view linkId) {
    return "<p class=\"installation\">Archicad installation <code>" + KeyPrefix(linkId) + "</code></p>\n";
}

// Who is signed in, with the way out.
std::string AccountBar(const SessionRecord& session) {
    return "<nav class=\"account\">\n<span>Signed in as <b>" + EscapeHtml(session.userName) +
           "</b></span>\n" + ButtonForm("/signout", session, {}, "Sign out") + "</nav>\n";
}

} // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string SignInPage(std::string_view formToken, std::string_view next, std::string_view problem) {
    std::string body;
    if (!problem.empty())
        body += "<p class=\"error\">" + EscapeHtml(problem) + "</p>\n";
    body += "<form method=\"post\" action=\"/signin\" class=\"signin\">\n" + HiddenField("csrf", formToken) +
            HiddenField("next", next) +
            "<label>User name <input name=\"user\" autocomplete=\"username\" required></label>\n"
            "<label>Password <input name=\"password\" type=\"password\" autocomplete=\"current-password\" "
            "required></label>\n<button type=\"submit\">Sign in</button>\n</form>\n";
    return Layout("Sign in", Card("Sign in to KAVELO", body));
}

std::string LoginPage(const SessionRecord& session, std::string_view linkId, LinkOutcome state) {
    std::string body = AccountBar(session);
    body += "<p>Archicad asks to send the pictures of its 3D views to your KAVELO account.</p>\n";
    body += InstallationLine(linkId);
    if (state == LinkOutcome::AlreadyLinked)
        body +=
            "<p class=\"ok\">This installation is already linked. Linking it again changes nothing.</p>\n";
    body += ButtonForm("/login", session, HiddenField("eid", linkId), "Link Archicad to my account");
    return Layout("Link Archicad", Card("Link Archicad to KAVELO", body));
}

std::string LinkedPage(const SessionRecord& session, std::string_view linkId) {
    std::string body = AccountBar(session);
    body += "<p class=\"ok\">Archicad is linked to your KAVELO account.</p>\n";
    body += InstallationLine(linkId);
    body += "<p>Go back to Archicad and choose <b>Export from current view</b> in the KAVELO menu.</p>\n";
    body += "<p><a href=\"" + std::string(kLiveViewPath) + "\">Open the live view</a></p>\n";
    return Layout("Archicad linked", Card("Archicad is linked", body));
}

std::string UnlinkedPage(const SessionRecord& session, bool wasLinked) {
    std::string body = AccountBar(session);
    body += wasLinked ? "<p class=\"ok\">This installation can no longer send pictures to your account.</p>\n"
                      : "<p>This installation was not linked.</p>\n";
    body += "<p>To link it again, export from Archicad and follow the link it opens.</p>\n";
    body += "<p><a href=\"/account\">Linked installations</a></p>\n";
    return Layout("Archicad unlinked", Card("Archicad unlinked", body));
}

std::string AccountPage(const SessionRecord& session, const std::vector<LinkRecord>& links) {
    std::string body = AccountBar(session);
    if (links.empty()) {
        body += "<p>No Archicad installation is linked yet. In Archicad, choose <b>Export from current "
                "view</b> in the KAVELO menu to link one.</p>\n";
    } else {
        body += "<table>\n<tr><th>Archicad installation</th><th>Linked since</th><th></th></tr>\n";
        for (const LinkRecord& link : links) {
            body +=
                "<tr><td><code>" + KeyPrefix(link.linkId) + "</code></td><td>" + FormatTime(link.linkedAt) +
                "</td><td>" +
                ButtonForm("/unlink", session, HiddenField("link", std::to_string(link.number)), "Unlink") +
                "</td></tr>\n";
        }
        body += "</table>\n";
    }
    body += "<p><a href=\"" + std::string(kLiveViewPath) + "\">Live view</a></p>\n";
    return Layout("Linked installations", Card("Linked Archicad installations", body));
}

std::string ErrorPage(std::string_view title, std::string_view message) {
    return Layout(title, Card(title, "<p class=\"error\">" + EscapeHtml(message) + "</p>\n"));
}

std::string LiveViewPage(const SessionRecord& session, const std::optional<ImageRecord>& shown,
                         std::string_view notice, std::int64_t after) {
    std::string body = "<main class=\"live\" data-after=\"" + std::to_string(after) +
                       "\">\n<header>\n"
                       "<h1>KAVELO live view</h1>\n<p id=\"live-status\" class=\"status\">Connecting…</p>\n"
                       "<a href=\"/account\">Linked installations</a>\n" +
                       AccountBar(session) + "</header>\n";
    body += "<p id=\"live-notice\" class=\"notice\"";
    body += notice.empty() ? " hidden>" : ">";
    body += EscapeHtml(notice) + "</p>\n";
    body += "<figure id=\"live-figure\"";
    body += shown ? ">" : " hidden>";
    body += "<img id=\"live-image\" alt=\"The latest picture exported from Archicad\"";
    if (shown)
        body += " src=\"/api/v1/images/" + EscapeHtml(shown->id) + "\"";
    body += ">\n<figcaption id=\"live-caption\">";
    if (shown)
        body += EscapeHtml(shown->name) + " · " + FormatTime(shown->createdAt);
    body += "</figcaption>\n</figure>\n</main>\n";
    return Layout("Live view", body, "/assets/live.js");
}

} // namespace kavelo
