#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
struct sockaddr_in;

namespace kavelo::test {

struct HttpRequest {
    std::string method = "GET";
    std::string target = "/";
    std::vector<std::pair<std::string, std::string>> headers; // Host is added unless given
    std::string body;
    bool contentLength = true; // false: the caller frames the body (chunked) or sends none

    std::string Text() const;
};

struct Response {
    unsigned status = 0;
    std::multimap<std::string, std::string> headers; // names in lower case
    std::string body;
    bool keepAlive = false;

    std::string Header(const std::string& lowerCaseName) const;
};

// The body in chunked transfer encoding, in chunks of `chunkSize`.
std::string Chunked(std::string_view body, std::size_t chunkSize);

struct TlsSettings {
    int minVersion = 0; // TLS1_2_VERSION and so on; 0: OpenSSL's default
    int maxVersion = 0;
    bool legacy = false; // let OpenSSL offer protocols below TLS 1.2, to see the service refuse them
    std::string host = "localhost"; // the name the certificate must match (an IP address works too)
    std::chrono::milliseconds timeout{15'000}; // for every read and write
    std::string source = "127.0.0.1"; // the client's own address: another loopback one is another client
};

// A blocking HTTPS client on a plain socket with OpenSSL, verifying the service's certificate
// against `caFile`. Every read and write gives up after the time-out, so a test never hangs.
class TlsClient {
public:
    TlsClient(std::uint16_t port, const std::filesystem::path& caFile, const TlsSettings& settings = {});
    ~TlsClient();
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    // Throws std::runtime_error when the bytes cannot all be sent.
    void Send(std::string_view bytes);
    // False once the service has closed the connection.
    bool TrySend(std::string_view bytes);
    // The next response (an interim 100 Continue too). Throws on time-out or a closed connection.
    Response ReadResponse();
    Response Exchange(const HttpRequest& request);
    // Raw bytes until `needle` has arrived; throws on time-out or a closed connection.
    std::string ReadUntil(std::string_view needle);
    // True when the service closes the connection within the time-out.
    bool WaitForClose();
    int ProtocolVersion() const;

private:
    void Connect(const sockaddr_in& address, const std::filesystem::path& caFile,
                 const TlsSettings& settings);
    // Appends what arrives; 0 at a closed connection; throws on time-out.
    std::size_t Receive();

    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    int socket_ = -1;
    std::string host_;
    std::string pending_;
};

// One request on a connection of its own.
Response Fetch(std::uint16_t port, const std::filesystem::path& caFile, const HttpRequest& request,
               const TlsSettings& settings = {});

} // namespace kavelo::test
