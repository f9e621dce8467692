#include "TlsClient.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <stdexcept>

namespace kavelo::test {

namespace http = boost::beast::http;

namespace {

std::string OpenSslError(const std::string& what) {
    char reason[256] = "no details";
    if (const unsigned long code = ERR_get_error(); code != 0)
        ERR_error_string_n(code, reason, sizeof reason);
    ERR_clear_error();
    return what + ": " + reason;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

std::string HttpRequest::Text() const {
    std::string text = method + " " + target + " HTTP/1.1\r\n";
    const bool hasHost =
        std::any_of(headers.begin(), headers.end(), [](const auto& h) { return Lower(h.first) == "host"; });
    if (!hasHost)
        text += "Host: localhost\r\n";
    for (const auto& [name, value] : headers)
        text += name + ": " + value + "\r\n";
    if (contentLength && (!body.empty() || method == "POST"))
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    text += "\r\n";
    return text + body;
}

std::string Response::Header(const std::string& lowerCaseName) const {
    const auto found = headers.find(lowerCaseName);
    return found == headers.end() ? std::string() : found->second;
}

std::string Chunked(std::string_view body, std::size_t chunkSize) {
    std::string text;
    char size[32];
    for (std::size_t at = 0; at < body.size(); at += chunkSize) {
        const std::string_view chunk = body.substr(at, chunkSize);
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        text += size;
        text += chunk;
        text += "\r\n";
    }
    return text + "0\r\n\r\n";
}

TlsClient::TlsClient(std::uint16_t port, const std::filesystem::path& caFile, const TlsSettings& settings)
    : host_(settings.host) {
    // Writing to a connection the service has closed must fail, not end the test.
    static const auto ignorePipe = std::signal(SIGPIPE, SIG_IGN);
    (void)ignorePipe;
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval timeout{static_cast<time_t>(settings.timeout.count() / 1000),
                          static_cast<suseconds_t>(settings.timeout.count() % 1000 * 1000)};
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    try {
        Connect(address, caFile, settings);
    } catch (...) {
        SSL_free(ssl_);
        SSL_CTX_free(context_);
        ::close(socket_);
        throw;
    }
}

void TlsClient::Connect(const sockaddr_in& address, const std::filesystem::path& caFile,
                        const TlsSettings& settings) {
    sockaddr_in source{};
    source.sin_family = AF_INET;
    if (::inet_pton(AF_INET, settings.source.c_str(), &source.sin_addr) != 1 ||
        ::bind(socket_, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0)
        throw std::runtime_error("cannot connect from " + settings.source);
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to port " + std::to_string(ntohs(address.sin_port)));
    context_ = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
    if (!caFile.empty() && SSL_CTX_load_verify_locations(context_, caFile.c_str(), nullptr) != 1)
        throw std::runtime_error(OpenSslError("cannot load " + caFile.string()));
    if (settings.legacy)
        SSL_CTX_set_security_level(context_, 0);
    if (settings.minVersion)
        SSL_CTX_set_min_proto_version(context_, settings.minVersion);
    if (settings.maxVersion)
        SSL_CTX_set_max_proto_version(context_, settings.maxVersion);
    ssl_ = SSL_new(context_);
    SSL_set_fd(ssl_, socket_);
    X509_VERIFY_PARAM* verify = SSL_get0_param(ssl_);
    in_addr probe{};
    if (::inet_pton(AF_INET, host_.c_str(), &probe) == 1) {
        X509_VERIFY_PARAM_set1_ip_asc(verify, host_.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl_, host_.c_str());
        X509_VERIFY_PARAM_set1_host(verify, host_.c_str(), 0);
    }
    if (SSL_connect(ssl_) != 1)
        throw std::runtime_error(OpenSslError("TLS handshake failed"));
}

TlsClient::~TlsClient() {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
    ::close(socket_);
}

bool TlsClient::TrySend(std::string_view bytes) {
    while (!bytes.empty()) {
        std::size_t written = 0;
        if (SSL_write_ex(ssl_, bytes.data(), bytes.size(), &written) != 1) {
            ERR_clear_error();
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

void TlsClient::Send(std::string_view bytes) {
    if (!TrySend(bytes))
        throw std::runtime_error("sending failed");
}

std::size_t TlsClient::Receive() {
    char chunk[16384];
    std::size_t got = 0;
    if (SSL_read_ex(ssl_, chunk, sizeof chunk, &got) == 1) {
        pending_.append(chunk, got);
        return got;
    }
    const int error = SSL_get_error(ssl_, 0);
    ERR_clear_error();
    if (error == SSL_ERROR_SYSCALL && (errno == EAGAIN || errno == EWOULDBLOCK))
        throw std::runtime_error("timed out waiting for the service");
    return 0; // closed: close_notify, end of stream or reset
}

Response TlsClient::ReadResponse() {
    http::response_parser<http::string_body> parser;
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());
    for (;;) {
        if (!pending_.empty()) {
            boost::beast::error_code error;
            const std::size_t used = parser.put(boost::asio::buffer(pending_), error);
            pending_.erase(0, used);
            if (error && error != http::error::need_more)
                throw std::runtime_error("unreadable response: " + error.message());
            if (parser.is_done())
                break;
            if (used > 0 && !pending_.empty())
                continue;
        }
        if (Receive() == 0)
            throw std::runtime_error("the service closed the connection before answering");
    }
    const auto& message = parser.get();
    Response response;
    response.status = message.result_int();
    for (const auto& field : message)
        response.headers.emplace(Lower(std::string(field.name_string())), std::string(field.value()));
    response.body = message.body();
    response.keepAlive = message.keep_alive();
    return response;
}

Response TlsClient::Exchange(const HttpRequest& request) {
    Send(request.Text());
    return ReadResponse();
}

std::string TlsClient::ReadUntil(std::string_view needle) {
    while (pending_.find(needle) == std::string::npos) {
        if (Receive() == 0)
            throw std::runtime_error("the service closed the connection before sending " +
                                     std::string(needle));
    }
    return std::exchange(pending_, {});
}

bool TlsClient::WaitForClose() {
    try {
        while (Receive() > 0) {
        }
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

int TlsClient::ProtocolVersion() const {
    return SSL_version(ssl_);
}

Response Fetch(std::uint16_t port, const std::filesystem::path& caFile, const HttpRequest& request,
               const TlsSettings& settings) {
    TlsClient client(port, caFile, settings);
    return client.Exchange(request);
}

} // namespace kavelo::test
