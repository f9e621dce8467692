#include "Routes.hpp"

#include "Assets.hpp"
#include "Ids.hpp"
#include "JsonText.hpp"
#include "Log.hpp"
#include "Pages.hpp"
#include "UploadBody.hpp"
#include "Url.hpp"

#include <boost/beast/core/string.hpp>
#include <openssl/crypto.h>

#include <algorithm>
#include <charconv>
#include <ctime>

namespace kavelo {

namespace {

constexpr std::string_view kImagesPath = "/api/v1/images";
constexpr std::string_view kImagePrefix = "/api/v1/images/";
constexpr std::uint64_t kFormLimit = 64 * 1024;
// "__Host-" binds a cookie to this origin: only set over HTTPS, for the whole site, no domain.
constexpr std::string_view kSessionCookie = "__Host-kavelo-session";
// The sign-in form's token before there is a session, compared with the form's copy.
constexpr std::string_view kSignInCookie = "__Host-kavelo-signin";
constexpr std::string_view kCookieAttributes = "; Path=/; Secure; HttpOnly; SameSite=Strict";
constexpr std::size_t kFormTokenBytes = 32;
constexpr std::size_t kLongestNext = 2048;

// Pages run no inline script and can't be framed, so a page of this origin can't be made to click
// the link button from elsewhere. The referrer, with a link id in it, stays on this origin; it must
// not be "no-referrer", as browsers then send forms with "Origin: null".
constexpr std::string_view kPagePolicy =
    "default-src 'none'; img-src 'self'; style-src 'self'; script-src 'self'; "
    "connect-src 'self'; form-action 'self'; frame-ancestors 'none'; "
    "base-uri 'none'";

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

Reply Html(http::status status, std::string page) {
    Reply reply = Reply::Body(status, "text/html; charset=utf-8", std::move(page));
    reply.headers = {{"Content-Security-Policy", std::string(kPagePolicy)},
                     {"Cache-Control", "no-store"},
                     {"Referrer-Policy", "same-origin"},
                     {"X-Frame-Options", "DENY"}};
    return reply;
}

Reply Json(http::status status, std::string body) {
    Reply reply = Reply::Body(status, "application/json", std::move(body));
    reply.body += '\n';
    reply.headers = {{"Cache-Control", "no-store"}};
    return reply;
}

Reply NotAllowed(std::string_view allow) {
    Reply reply = Reply::Error(http::status::method_not_allowed, "method not allowed");
    reply.headers.emplace_back("Allow", allow);
    return reply;
}

Reply BadLinkId() {
    return Html(
        http::status::bad_request,
        ErrorPage("This link is not valid",
                  "The address does not carry a valid Archicad installation id (36 characters, a lower-case "
                  "version 4 UUID). Open the page again from Archicad: choose Export from current view in "
                  "the KAVELO menu."));
}

Reply LinkedElsewhere() {
    return Html(
        http::status::conflict,
        ErrorPage("Linked to another account",
                  "This Archicad installation is linked to another KAVELO account. In Archicad, choose "
                  "Unlink account, then export again to link it to yours."));
}

// A browser names the page a form was sent from; forms of other sites may not link or unlink.
bool FromThisSite(const Request& request) {
    const std::string_view origin = request[http::field::origin];
    return origin.empty() ||
           boost::beast::iequals(origin, "https://" + std::string(request[http::field::host]));
}

Reply Redirect(std::string location) {
    Reply reply = Reply::Body(http::status::see_other, {}, {});
    reply.headers = {{"Location", std::move(location)}, {"Cache-Control", "no-store"}};
    return reply;
}

std::string SessionToken(const Request& request) {
    return std::string(CookieValue(request[http::field::cookie], kSessionCookie));
}

// Where to go on after signing in: a path of this site, never another site ("//host", "/\\host").
std::string SafeNext(std::string_view next) {
    const bool safe = next.size() < kLongestNext && next.starts_with('/') && !next.starts_with("//") &&
                      !next.starts_with("/\\") &&
                      std::ranges::all_of(next, [](char c) { return c > ' ' && c < 0x7f && c != '\\'; });
    return safe ? std::string(next) : "/";
}

// The form's "csrf" must be `expected`, compared in constant time.
bool HasFormToken(const Request& request, std::string_view expected) {
    const std::string sent = FormValue(request.body(), "csrf").value_or("");
    return !expected.empty() && sent.size() == expected.size() &&
           CRYPTO_memcmp(sent.data(), expected.data(), sent.size()) == 0;
}

Reply StaleForm() {
    return Html(
        http::status::forbidden,
        ErrorPage("This form has expired",
                  "The page was sent from another site, or your session changed since it was shown. Go "
                  "back, reload the page and try again."));
}

std::optional<std::int64_t> ParseSequence(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

Reply Reply::Body(http::status status, std::string contentType, std::string body) {
    Reply reply;
    reply.status = status;
    reply.contentType = std::move(contentType);
    reply.body = std::move(body);
    return reply;
}

Reply Reply::Error(http::status status, std::string_view message) {
    return Json(status, "{\"error\":" + JsonQuote(message) + "}");
}

Routes::Routes(Store& store, Accounts& accounts, const ImageFolder& images, ImageStored onStored)
    : store_(store), accounts_(accounts), images_(images), onStored_(std::move(onStored)) {}

Reply Routes::UnknownKey() {
    return Reply::Error(http::status::unauthorized, "unknown API key: link this Archicad installation first");
}

bool Routes::IsUpload(const http::request_header<>& header) {
    return header.method() == http::verb::post && SplitTarget(header.target()).path == kImagesPath;
}

std::uint64_t Routes::BodyLimit(const http::request_header<>& header, std::uint64_t maxUpload) {
    return IsUpload(header) ? maxUpload : kFormLimit;
}

std::optional<std::int64_t> Routes::UploadAccount(const http::request_header<>& header) {
    const std::string_view key = header["X-Api-Key"];
    return IsLinkId(key) ? store_.KeyOwner(key) : std::nullopt;
}

Reply Routes::Handle(Request& request) noexcept {
    try {
        return Dispatch(request);
    } catch (const std::exception& error) {
        LogError("route_failed").Add("path", SplitTarget(request.target()).path).Add("reason", error.what());
    } catch (...) {
        LogError("route_failed").Add("path", SplitTarget(request.target()).path);
    }
    try {
        return Reply::Error(http::status::internal_server_error, "the service could not answer; try again");
    } catch (...) {
        Reply reply;
        reply.status = http::status::internal_server_error;
        return reply;
    }
}

Reply Routes::Dispatch(Request& request) {
    // Named, not a structured binding: the page lambdas below capture them, which clang 14 refuses.
    const Target target = SplitTarget(request.target());
    const std::string_view path = target.path;
    const std::string_view query = target.query;
    const http::verb method = request.method();
    const bool get = method == http::verb::get;
    const bool post = method == http::verb::post;
    const auto session = [&](auto page) { return SignedIn(request, page); };

    if (path == "/healthz")
        return get ? Reply::Body(http::status::ok, "text/plain; charset=utf-8", "ok\n") : NotAllowed("GET");
    if (path == "/signin")
        return get ? SignInForm(request, query) : post ? SignIn(request) : NotAllowed("GET, POST");
    if (path == "/signout")
        return post ? session([&](const SessionRecord& s) { return SignOut(request, s); })
                    : NotAllowed("POST");
    if (path == "/")
        return get ? session([&](const SessionRecord& s) { return LiveView(s, query); }) : NotAllowed("GET");
    if (path == "/login") {
        if (get)
            return session([&](const SessionRecord& s) { return LoginForm(s, query); });
        return post ? session([&](const SessionRecord& s) { return Link(request, s); })
                    : NotAllowed("GET, POST");
    }
    if (path == "/account") {
        return get ? session([&](const SessionRecord& s) {
            return Html(http::status::ok, AccountPage(s, store_.Links(s.account)));
        })
                   : NotAllowed("GET");
    }
    if (path == "/unlink")
        return post ? session([&](const SessionRecord& s) { return Unlink(request, s); })
                    : NotAllowed("POST");
    if (path == "/events")
        return get ? session([&](const SessionRecord& s) { return Events(request, s, query); })
                   : NotAllowed("GET");
    if (path == kImagesPath)
        return post ? Upload(request) : NotAllowed("POST");
    if (path.starts_with(kImagePrefix)) {
        const std::string_view id = path.substr(kImagePrefix.size());
        return get ? session([&](const SessionRecord& s) { return Image(s, id); }) : NotAllowed("GET");
    }
    if (const auto asset = FindAsset(path)) {
        if (!get)
            return NotAllowed("GET");
        Reply reply =
            Reply::Body(http::status::ok, std::string(asset->contentType), std::string(asset->body));
        reply.headers = {{"Cache-Control", "no-cache"}};
        return reply;
    }
    if (path.starts_with("/api/"))
        return Reply::Error(http::status::not_found, "no such endpoint");
    return Html(http::status::not_found,
                ErrorPage("Page not found", "There is no page at this address. The live view is at /."));
}

template <class Page>
Reply Routes::SignedIn(const Request& request, Page page) {
    if (const std::optional<SessionRecord> session = accounts_.Find(SessionToken(request), Now()))
        return page(*session);
    // A page asked for comes back after signing in; the live feed and forms can't come back.
    if (request.method() == http::verb::get && SplitTarget(request.target()).path != "/events")
        return Redirect("/signin?next=" + PercentEncode(request.target()));
    Reply reply =
        Html(http::status::unauthorized,
             ErrorPage("Sign in first", "Your session has ended or you are not signed in. Sign in at "
                                        "/signin and try again."));
    return reply;
}

Reply Routes::SignInForm(const Request& request, std::string_view query) {
    const std::string next = SafeNext(FormValue(query, "next").value_or("/"));
    if (accounts_.Find(SessionToken(request), Now()))
        return Redirect(next);
    // Another tab's form stays valid: the token is kept while the cookie is.
    std::string token(CookieValue(request[http::field::cookie], kSignInCookie));
    if (token.size() < kFormTokenBytes)
        token = RandomText(kFormTokenBytes);
    Reply reply = Html(http::status::ok, SignInPage(token, next, {}));
    reply.headers.emplace_back("Set-Cookie",
                               std::string(kSignInCookie) + "=" + token + std::string(kCookieAttributes));
    return reply;
}

Reply Routes::SignIn(const Request& request) {
    const std::string_view cookieToken = CookieValue(request[http::field::cookie], kSignInCookie);
    if (!FromThisSite(request) || !HasFormToken(request, cookieToken))
        return StaleForm();
    const std::string user = FormValue(request.body(), "user").value_or("");
    const std::string next = SafeNext(FormValue(request.body(), "next").value_or("/"));
    const auto outcome = accounts_.SignIn(user, FormValue(request.body(), "password").value_or(""), Now());
    if (const auto* token = std::get_if<std::string>(&outcome)) {
        LogInfo("signed_in").Add("user", user);
        Reply reply = Redirect(next);
        reply.headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" + *token + "; Max-Age=" +
                                                     std::to_string(accounts_.SessionLifetime().count()) +
                                                     std::string(kCookieAttributes));
        reply.headers.emplace_back("Set-Cookie", std::string(kSignInCookie) + "=; Max-Age=0" +
                                                     std::string(kCookieAttributes));
        return reply;
    }
    const auto wait = std::get<Accounts::Refused>(outcome).retryAfter;
    LogInfo("sign_in_refused").Add("user", user).Add("retry_after_s", wait.count());
    if (wait.count() > 0) {
        Reply reply = Html(http::status::too_many_requests,
                           SignInPage(cookieToken, next,
                                      "Too many wrong passwords. Wait " + std::to_string(wait.count()) +
                                          " seconds, then try again."));
        reply.headers.emplace_back("Retry-After", std::to_string(wait.count()));
        return reply;
    }
    return Html(http::status::unauthorized,
                SignInPage(cookieToken, next, "The user name or password is wrong."));
}

Reply Routes::SignOut(const Request& request, const SessionRecord& session) {
    if (!FromThisSite(request) || !HasFormToken(request, session.formToken))
        return StaleForm();
    accounts_.SignOut(SessionToken(request));
    LogInfo("signed_out").Add("user", session.userName);
    Reply reply = Redirect("/signin");
    reply.headers.emplace_back("Set-Cookie",
                               std::string(kSessionCookie) + "=; Max-Age=0" + std::string(kCookieAttributes));
    return reply;
}

Reply Routes::LiveView(const SessionRecord& session, std::string_view query) {
    const std::optional<ImageRecord> newest = store_.NewestImage(session.account);
    const std::int64_t after = newest ? newest->sequence : 0;
    const std::string wanted = FormValue(query, "imageId").value_or("");
    if (wanted.empty()) {
        return Html(
            http::status::ok,
            LiveViewPage(session, newest,
                         newest ? "" : "No pictures yet. Export from Archicad and the picture appears here.",
                         after));
    }
    std::optional<ImageRecord> image = IsImageId(wanted) ? store_.FindImage(wanted) : std::nullopt;
    if (!image || image->account != session.account) {
        return Html(
            http::status::not_found,
            LiveViewPage(
                session, std::nullopt,
                "The picture this link names is not here: the link may be wrong, from another account "
                "or from another service. New exports from Archicad appear here as they arrive.",
                after));
    }
    return Html(http::status::ok, LiveViewPage(session, image, "", after));
}

Reply Routes::LoginForm(const SessionRecord& session, std::string_view query) {
    const std::optional<std::string> linkId = FormValue(query, "eid");
    if (!linkId || !IsLinkId(*linkId))
        return BadLinkId();
    const std::optional<std::int64_t> owner = store_.KeyOwner(*linkId);
    if (owner && *owner != session.account)
        return LinkedElsewhere();
    return Html(http::status::ok,
                LoginPage(session, *linkId, owner ? LinkOutcome::AlreadyLinked : LinkOutcome::Linked));
}

Reply Routes::Link(const Request& request, const SessionRecord& session) {
    if (!FromThisSite(request) || !HasFormToken(request, session.formToken))
        return StaleForm();
    const std::optional<std::string> linkId = FormValue(request.body(), "eid");
    if (!linkId || !IsLinkId(*linkId))
        return BadLinkId();
    switch (store_.Link(*linkId, session.account, Now())) {
    case LinkOutcome::OtherAccount:
        return LinkedElsewhere();
    case LinkOutcome::Linked:
        LogInfo("linked").Add("link", linkId->substr(0, 8)).Add("user", session.userName);
        break;
    case LinkOutcome::AlreadyLinked:
        break;
    }
    return Html(http::status::ok, LinkedPage(session, *linkId));
}

Reply Routes::Unlink(const Request& request, const SessionRecord& session) {
    if (!FromThisSite(request) || !HasFormToken(request, session.formToken))
        return StaleForm();
    const std::optional<std::int64_t> number = ParseSequence(FormValue(request.body(), "link").value_or(""));
    if (!number)
        return Html(http::status::bad_request,
                    ErrorPage("Not a linked installation", "The form names no linked installation."));
    const bool wasLinked = store_.Unlink(*number, session.account);
    if (wasLinked)
        LogInfo("unlinked").Add("link_number", *number).Add("user", session.userName);
    return Html(http::status::ok, UnlinkedPage(session, wasLinked));
}

Reply Routes::Events(const Request& request, const SessionRecord& session, std::string_view query) {
    // A reconnecting EventSource says where it stopped; a fresh page says what it already shows.
    std::optional<std::int64_t> after = ParseSequence(request["Last-Event-ID"]);
    if (!after)
        after = ParseSequence(FormValue(query, "after").value_or(""));
    Reply reply;
    reply.kind = Reply::Kind::Events;
    reply.eventsAfter = after.value_or(0);
    reply.eventsAccount = session.account;
    return reply;
}

Reply Routes::Upload(Request& request) {
    // Checked when the header came too; again here, as the link may have gone since.
    const std::optional<std::int64_t> account = UploadAccount(request);
    if (!account)
        return UnknownKey();

    auto read = ReadUpload(request.body());
    if (const auto* problem = std::get_if<std::string>(&read))
        return Reply::Error(http::status::bad_request, *problem);
    const kavelo::Upload& upload = std::get<kavelo::Upload>(read);

    const std::string id = NewImageId();
    images_.Write(id, upload.jpeg);
    ImageRecord record;
    try {
        record = store_.AddImage(id, upload.name, upload.source, request["X-Api-Key"], *account,
                                 static_cast<std::int64_t>(upload.jpeg.size()), Now());
    } catch (...) {
        images_.Remove(id);
        throw;
    }
    onStored_(record);
    Reply reply = Json(http::status::created, "{\"id\":" + JsonQuote(id) + "}");
    reply.headers.emplace_back("Location", std::string(kImagePrefix) + id);
    return reply;
}

Reply Routes::Image(const SessionRecord& session, std::string_view id) {
    // Another account's picture is as absent as one that never was.
    const std::optional<ImageRecord> image = IsImageId(id) ? store_.FindImage(id) : std::nullopt;
    if (!image || image->account != session.account)
        return Reply::Error(http::status::not_found, "no such image");
    Reply reply;
    reply.kind = Reply::Kind::File;
    reply.contentType = "image/jpeg";
    reply.file = images_.PathOf(id);
    // Asked again each time, so that a browser shows it only while the session lasts.
    reply.headers = {{"Cache-Control", "private, no-cache"}};
    return reply;
}

} // namespace kavelo
