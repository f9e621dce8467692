#include "Routes.hpp"

#include "Assets.hpp"
#include "Ids.hpp"
#include "JsonText.hpp"
#include "Log.hpp"
#include "Pages.hpp"
#include "UploadBody.hpp"
#include "Url.hpp"

#include <boost/beast/core/string.hpp>

#include <charconv>
#include <ctime>

namespace kavelo {

namespace {

constexpr std::string_view kImagesPath = "/api/v1/images";
constexpr std::string_view kImagePrefix = "/api/v1/images/";
constexpr std::uint64_t kFormLimit = 64 * 1024;

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

// A browser names the page a form was sent from; forms of other sites may not link or unlink.
bool FromThisSite(const Request& request) {
    const std::string_view origin = request[http::field::origin];
    return origin.empty() ||
           boost::beast::iequals(origin, "https://" + std::string(request[http::field::host]));
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

Routes::Routes(Store& store, const ImageFolder& images, ImageStored onStored)
    : store_(store), images_(images), onStored_(std::move(onStored)) {}

std::uint64_t Routes::BodyLimit(const http::request_header<>& header, std::uint64_t maxUpload) {
    const bool upload =
        header.method() == http::verb::post && SplitTarget(header.target()).path == kImagesPath;
    return upload ? maxUpload : kFormLimit;
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
    const auto [path, query] = SplitTarget(request.target());
    const http::verb method = request.method();
    const bool get = method == http::verb::get;
    const bool post = method == http::verb::post;

    if (path == "/healthz")
        return get ? Reply::Body(http::status::ok, "text/plain; charset=utf-8", "ok\n") : NotAllowed("GET");
    if (path == "/")
        return get ? LiveView(query) : NotAllowed("GET");
    if (path == "/login")
        return get ? LoginForm(query) : post ? Link(request) : NotAllowed("GET, POST");
    if (path == "/account")
        return get ? Html(http::status::ok, AccountPage(store_.Links())) : NotAllowed("GET");
    if (path == "/unlink")
        return post ? Unlink(request) : NotAllowed("POST");
    if (path == "/events")
        return get ? Events(request, query) : NotAllowed("GET");
    if (path == kImagesPath)
        return post ? Upload(request) : NotAllowed("POST");
    if (path.starts_with(kImagePrefix))
        return get ? Image(path.substr(kImagePrefix.size())) : NotAllowed("GET");
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

Reply Routes::LiveView(std::string_view query) {
    const std::optional<ImageRecord> newest = store_.NewestImage();
    const std::int64_t after = newest ? newest->sequence : 0;
    const std::string wanted = FormValue(query, "imageId").value_or("");
    if (wanted.empty()) {
        return Html(
            http::status::ok,
            LiveViewPage(newest,
                         newest ? "" : "No pictures yet. Export from Archicad and the picture appears here.",
                         after));
    }
    const std::optional<ImageRecord> image = IsImageId(wanted) ? store_.FindImage(wanted) : std::nullopt;
    if (!image) {
        return Html(
            http::status::not_found,
            LiveViewPage(std::nullopt,
                         "The picture this link names is not here: the link may be wrong or from another "
                         "service. New exports from Archicad appear here as they arrive.",
                         after));
    }
    return Html(http::status::ok, LiveViewPage(image, "", after));
}

Reply Routes::LoginForm(std::string_view query) {
    const std::optional<std::string> linkId = FormValue(query, "eid");
    if (!linkId || !IsLinkId(*linkId))
        return BadLinkId();
    return Html(http::status::ok, LoginPage(*linkId, store_.IsLinked(*linkId)));
}

Reply Routes::Link(const Request& request) {
    if (!FromThisSite(request))
        return Html(http::status::forbidden,
                    ErrorPage("Not allowed", "Archicad can only be linked from this service's own page."));
    const std::optional<std::string> linkId = FormValue(request.body(), "eid");
    if (!linkId || !IsLinkId(*linkId))
        return BadLinkId();
    if (store_.Link(*linkId, Now()))
        LogInfo("linked").Add("link", linkId->substr(0, 8));
    return Html(http::status::ok, LinkedPage(*linkId));
}

Reply Routes::Unlink(const Request& request) {
    if (!FromThisSite(request))
        return Html(http::status::forbidden,
                    ErrorPage("Not allowed", "Archicad can only be unlinked from this service's own page."));
    const std::optional<std::string> linkId = FormValue(request.body(), "eid");
    if (!linkId || !IsLinkId(*linkId))
        return BadLinkId();
    const bool wasLinked = store_.Unlink(*linkId);
    if (wasLinked)
        LogInfo("unlinked").Add("link", linkId->substr(0, 8));
    return Html(http::status::ok, UnlinkedPage(*linkId, wasLinked));
}

Reply Routes::Events(const Request& request, std::string_view query) {
    // A reconnecting EventSource says where it stopped; a fresh page says what it already shows.
    std::optional<std::int64_t> after = ParseSequence(request["Last-Event-ID"]);
    if (!after)
        after = ParseSequence(FormValue(query, "after").value_or(""));
    Reply reply;
    reply.kind = Reply::Kind::Events;
    reply.eventsAfter = after.value_or(0);
    return reply;
}

Reply Routes::Upload(Request& request) {
    const std::string linkId(request["X-Api-Key"]);
    if (!IsLinkId(linkId) || !store_.IsLinked(linkId))
        return Reply::Error(http::status::unauthorized,
                            "unknown API key: link this Archicad installation first");

    auto read = ReadUpload(request.body());
    if (const auto* problem = std::get_if<std::string>(&read))
        return Reply::Error(http::status::bad_request, *problem);
    const kavelo::Upload& upload = std::get<kavelo::Upload>(read);

    const std::string id = NewImageId();
    images_.Write(id, upload.jpeg);
    ImageRecord record;
    try {
        record = store_.AddImage(id, upload.name, upload.source, linkId,
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

Reply Routes::Image(std::string_view id) {
    if (!IsImageId(id) || !store_.FindImage(id))
        return Reply::Error(http::status::not_found, "no such image");
    Reply reply;
    reply.kind = Reply::Kind::File;
    reply.contentType = "image/jpeg";
    reply.file = images_.PathOf(id);
    reply.headers = {{"Cache-Control", "private, max-age=31536000, immutable"}};
    return reply;
}

} // namespace kavelo
