#pragma once

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
        Events // the connection turns into the live feed, from sequence `eventsAfter` on
    };
    Kind kind = Kind::Body;
    http::status status = http::status::ok;
    std::string contentType;
    std::string body;
    std::filesystem::path file;
    std::int64_t eventsAfter = 0;
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
    Routes(Store& store, const ImageFolder& images, ImageStored onStored);

    // Never throws: a failure inside is logged and answered with status 500.
    Reply Handle(Request& request) noexcept;

    // The largest body this request may carry, known from its header: `maxUpload` for an upload,
    // enough for a form otherwise.
    static std::uint64_t BodyLimit(const http::request_header<>& header, std::uint64_t maxUpload);

private:
    Reply Dispatch(Request& request);
    Reply LiveView(std::string_view query);
    Reply LoginForm(std::string_view query);
    Reply Link(const Request& request);
    Reply Unlink(const Request& request);
    Reply Events(const Request& request, std::string_view query);
    Reply Upload(Request& request);
    Reply Image(std::string_view id);

    Store& store_;
    const ImageFolder& images_;
    ImageStored onStored_;
};

} // namespace kavelo
