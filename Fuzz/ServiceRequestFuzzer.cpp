// The service's routing of any request: the bytes are read as an HTTP request the way the server
// reads one, with the server's body limit, and a request that parses is answered by the routes over
// a real store and image folder. Bad input is the client's error, never the service's: no answer
// may be 500.

#include "Accounts.hpp"
#include "Routes.hpp"

#include "FuzzCheck.hpp"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/parser.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace http = boost::beast::http;

constexpr std::uint64_t MaxUpload = 1 << 20;

struct Service {
    std::filesystem::path folder;
    std::unique_ptr<kavelo::Store> store;
    std::unique_ptr<kavelo::Accounts> accounts;
    std::unique_ptr<kavelo::ImageFolder> images;
    std::unique_ptr<kavelo::Routes> routes;
};

Service& TheService() {
    static Service& service = []() -> Service& {
        auto* made = new Service;
        std::string folder = (std::filesystem::temp_directory_path() / "kavelo-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(folder.data()) != nullptr);
        made->folder = folder;
        made->store = std::make_unique<kavelo::Store>(made->folder / "service.db");
        made->accounts = std::make_unique<kavelo::Accounts>(*made->store, std::chrono::hours(12));
        made->images = std::make_unique<kavelo::ImageFolder>(made->folder / "images");
        made->routes = std::make_unique<kavelo::Routes>(*made->store, *made->accounts, *made->images,
                                                        [](const kavelo::ImageRecord&) {});
        return *made;
    }();
    return service;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Service& service = TheService();
    http::request_parser<http::string_body> parser;
    parser.eager(true);
    boost::system::error_code error;
    std::size_t used = parser.put(boost::asio::buffer(data, size), error);
    if (!error && parser.is_header_done()) {
        parser.body_limit(kavelo::Routes::BodyLimit(parser.get().base(), MaxUpload));
        if (used < size)
            parser.put(boost::asio::buffer(data + used, size - used), error);
    }
    if (error || !parser.is_done())
        return 0;
    kavelo::Request request = parser.release();
    const kavelo::Reply reply = service.routes->Handle(request);
    FUZZ_CHECK(reply.status != http::status::internal_server_error);
    return 0;
}
