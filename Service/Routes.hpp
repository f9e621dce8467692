#pragma once

#include "Accounts.hpp"
#include "ImageFolder.hpp"
#include "Store.hpp"

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kavelo {

namespace http = boost::beast::http;

using Request = http::request<http::string_body>;

// What a route answers; the connection adds the framing (length, keep-alive).
struct Reply {
    enum class Kind {
        Body,  // `body`
        File,  // the bytes of `file`
        Events // the connection turns into `eventsAccount`'s live feed, from sequence `eventsAfter` on
    };
    Kind kind = Kind::Body;
    http::status status = http::status::ok;
    std::string contentType;
    std::string body;
    std::filesystem::path file;
    std::int64_t eventsAfter = 0;
    std::int64_t eventsAccount = 0;
    std::vector<std::pair<std::string, std::string>> headers; // beyond type, length and keep-alive

    static Reply Body(http::status status, std::string contentType, std::string body);
    // {"error":"…"}, one line, never cached.
    static Reply Error(http::status status, std::string_view message);
};

// What each URL of the service answers. Runs on worker threads, where blocking on the disk and
// the database is fine.
class Routes {
public:
    using ImageStored = std::function<void(const ImageRecord&)>;

    // `onStored` is called on the worker thread once a new picture is committed.
    Routes(Store& store, Accounts& accounts, const ImageFolder& images, ImageStored onStored);

    // Never throws: a failure inside is logged and answered with status 500.
    Reply Handle(Request& request) noexcept;

    // The largest body this request may carry, known from its header: `maxUpload` for an upload,
    // enough for a form otherwise.
    static std::uint64_t BodyLimit(const http::request_header<>& header, std::uint64_t maxUpload);
    static bool IsUpload(const http::request_header<>& header);
    // The account an upload's "X-Api-Key" belongs to. Blocks on the database: call it on a worker.
    std::optional<std::int64_t> UploadAccount(const http::request_header<>& header);
    // The answer to an upload with an unknown key.
    static Reply UnknownKey();

private:
    Reply Dispatch(Request& request);
    // Runs `page` for the signed-in person; anyone else is sent to sign in, or refused.
    template <class Page>
    Reply SignedIn(const Request& request, Page page);
    Reply SignInForm(const Request& request, std::string_view query);
    Reply SignIn(const Request& request);
    Reply SignOut(const Request& request, const SessionRecord& session);
    Reply LiveView(const SessionRecord& session, std::string_view query);
    Reply LoginForm(const SessionRecord& session, std::string_view query);
    Reply Link(const Request& request, const SessionRecord& session);
    Reply Unlink(const Request& request, const SessionRecord& session);
    Reply Events(const Request& request, const SessionRecord& session, std::string_view query);
    Reply Upload(Request& request);
    Reply Image(const SessionRecord& session, std::string_view id);

    Store& store_;
    Accounts& accounts_;
    const ImageFolder& images_;
    ImageStored onStored_;
};

} // namespace kavelo
