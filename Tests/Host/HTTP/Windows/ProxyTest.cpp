// The user's proxy settings under wine, against a real tinyproxy: what the proxy and the origin see,
// how each refusal ends, and the bypass list. The settings are the whole prefix's, so ctest runs this
// program alone, and each test puts back what was there.

#include "ClientTestSupport.hpp"
#include "SlowLink.hpp"
#include "TinyProxy.hpp"

#include <gmock/gmock.h>

#include <windows.h>
#include <winhttp.h>

#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace HttpTest {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

constexpr const char* Key = "0f5b2a44-7c1e-4d2a-9b1e-3c2d4e5f6a7b";
constexpr const char* Body = R"({"image":"data:image/jpeg;base64,/9j/4AAQ"})";
constexpr const wchar_t* Connections =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr const wchar_t* Record = L"DefaultConnectionSettings";

// The current user's manual proxy for one test, in the binary record Internet Options writes and the
// only form wine reads: magic 0x46, a counter, flags (direct and proxy), then the proxy, the bypass
// list and the script's URL, each as its length and its bytes.
class UserProxy {
public:
    UserProxy(const std::string& proxy, const std::string& bypass) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, Connections, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot open the user's connection settings");
        }
        DWORD size = 0;
        if (RegQueryValueExW(key, Record, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            saved.emplace(size, '\0');
            RegQueryValueExW(key, Record, nullptr, nullptr, reinterpret_cast<BYTE*>(saved->data()), &size);
        }
        std::string record;
        const auto put = [&record](DWORD word) {
            record.append(reinterpret_cast<const char*>(&word), sizeof word);
        };
        put(0x46);
        put(0);
        put(3);
        for (const std::string& text : {proxy, bypass, std::string()}) {
            put(static_cast<DWORD>(text.size()));
            record += text;
        }
        Write(record);
    }
    UserProxy(const UserProxy&) = delete;
    UserProxy& operator=(const UserProxy&) = delete;
    ~UserProxy() {
        if (saved) {
            Write(*saved);
        } else {
            RegDeleteValueW(key, Record);
        }
        RegCloseKey(key);
    }

private:
    void Write(const std::string& record) const {
        RegSetValueExW(key, Record, 0, REG_BINARY, reinterpret_cast<const BYTE*>(record.data()),
                       static_cast<DWORD>(record.size()));
    }

    HKEY key = nullptr;
    std::optional<std::string> saved;
};

// The least a Windows program does to post through the user's proxy: WinHTTP alone, synchronous,
// the proxy and bypass list as the user set them. Answers the response's body.
std::string BareWinHttpPost(std::uint16_t port) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&user) || user.lpszProxy == nullptr) {
        return "(no proxy set)";
    }
    const auto closer = [](HINTERNET handle) { WinHttpCloseHandle(handle); };
    const std::unique_ptr<void, decltype(closer)> session(
        WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                    user.lpszProxyBypass != nullptr ? user.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0),
        closer);
    GlobalFree(user.lpszProxy);
    GlobalFree(user.lpszProxyBypass);
    GlobalFree(user.lpszAutoConfigUrl);
    const std::unique_ptr<void, decltype(closer)> connection(
        WinHttpConnect(session.get(), L"localhost", port, 0), closer);
    const std::unique_ptr<void, decltype(closer)> request(
        WinHttpOpenRequest(connection.get(), L"POST", L"/api/v1/images", nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE),
        closer);
    const std::wstring key = L"X-Api-Key: " + std::wstring(Key, Key + std::string_view(Key).size());
    std::string body = Body;
    std::string answer;
    char piece[256];
    DWORD read = 0;
    if (!WinHttpAddRequestHeaders(request.get(), key.c_str(), static_cast<DWORD>(-1L),
                                  WINHTTP_ADDREQ_FLAG_ADD) ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, body.data(),
                            static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        return "(WinHTTP error " + std::to_string(GetLastError()) + ")";
    }
    while (WinHttpReadData(request.get(), piece, sizeof piece, &read) && read > 0) {
        answer.append(piece, read);
    }
    return answer;
}

std::string Authority(std::uint16_t port) {
    return "localhost:" + std::to_string(port);
}

std::string Post(std::uint16_t port, Int32 timeout = 5000) {
    return Upload(UriFor("localhost", port, "/api/v1/images"), Key, Body, timeout);
}

// A server that answers one request with "stored", handing over what arrived and the server name,
// and closes: wine keeps a connection it read to the end for later requests otherwise.
struct OriginServer {
    OriginServer()
        : server(TestCertificates::Get().localhost, [this](Connection& connection) {
              ReceivedRequest request = connection.ReadRequest();
              connection.Write(
                  "HTTP/1.1 201 Created\r\nContent-Length: 6\r\nConnection: close\r\n\r\nstored");
              arrived.set_value({std::move(request), connection.ServerName()});
          }) {}

    std::promise<std::pair<ReceivedRequest, std::string>> arrived;
    TestServer server;
};

using HttpUserProxy = ClientTest;

// A tap between the client and the proxy keeps what the proxy was sent in the clear.
TEST_F(HttpUserProxy, ExchangeRunsThroughTheTunnelWithWinesRequestInTheClearCONNECT) {
    const struct {
        const char* client;
        std::function<std::string(std::uint16_t)> post;
    } clients[] = {
        {"the HTTP library", [](std::uint16_t port) { return Post(port); }},
        {"bare WinHTTP", BareWinHttpPost},
    };
    for (const auto& [client, post] : clients) {
        OriginServer origin;
        const std::string authority = Authority(origin.server.GetPort());
        TinyProxy proxy({{}, "", ""});
        SlowLink tap(proxy.GetPort(), {"1G", 0, 0, 0});
        const UserProxy settings("127.0.0.1:" + std::to_string(tap.GetPort()), "");

        EXPECT_EQ(post(origin.server.GetPort()), "stored") << client;
        const auto [request, serverName] = Take(origin.arrived.get_future());
        EXPECT_EQ(request.body, Body) << client;
        EXPECT_EQ(serverName, "localhost") << client << ": TLS is with the origin, not the proxy";
        const std::string log = proxy.ReadLog();
        const std::string tunnel = "CONNECT " + authority + " HTTP/1.1";
        EXPECT_EQ(log.find(tunnel), log.rfind(tunnel)) << client << ": one tunnel\n" << log;
        EXPECT_THAT(log, HasSubstr(tunnel)) << client;
        const std::string sent = tap.Recorded();
        const std::string connect = sent.substr(0, sent.find("\r\n\r\n"));
        EXPECT_THAT(connect, StartsWith(tunnel + "\r\n")) << client;
        // Wine's WinHTTP copies the request's own fields into its CONNECT request, the key with them,
        // where every hop sees them (its build_proxy_connect_string takes them all); Windows' is not
        // known to, and origin and proxy fields belong to different hops.
        EXPECT_THAT(connect, HasSubstr(std::string("X-Api-Key: ") + Key)) << client;
        // And inside the tunnel it asks for the full URL (its build_request_string does whenever a
        // proxy is set), in the HTTP version of the proxy's answer to CONNECT (tinyproxy's is 1.0);
        // inside a tunnel HTTP/1.1 asks for the path alone. The service accepts both, as HTTP/1.1
        // requires of servers.
        EXPECT_THAT(request.head, StartsWith("POST https://" + authority + "/api/v1/images HTTP/1."))
            << client;
    }
}

// Each ends in a GS::GSException, which the add-on reports as a failed connection.
TEST_F(HttpUserProxy, EveryRefusalIsAFailureOfTheConnection) {
    OriginServer origin;
    TinyProxy refusing({{1}, "", ""});
    TinyProxy asking({{}, "kavelo", "s3cret"});
    const std::uint16_t dead = ClosedPort();
    for (const std::uint16_t proxyPort : {refusing.GetPort(), asking.GetPort(), dead}) {
        const std::string proxy = "127.0.0.1:" + std::to_string(proxyPort);
        const UserProxy settings(proxy, "");
        const std::string message = FailureOf([&] { Post(origin.server.GetPort(), 1000); });
        if (proxyPort == dead) {
            // WinHTTP does not say whether the proxy or the server refused the connection.
            EXPECT_EQ(message, "connection refused by " + Authority(origin.server.GetPort()));
        } else {
            // Wine's WinHTTP starts TLS over the proxy's 403 or 407 answer. Windows' hands a 407 over
            // as the response, which the client reports as the proxy's refusal, and fails on a 403.
            EXPECT_EQ(message, "certificate verify failed: the secure channel was refused: error 12157 "
                               "(host localhost, through proxy " +
                                   proxy + ")");
        }
    }
}

// Windows' bypass list: names or patterns with "*", separated by ";", and "<local>" for every name
// without a dot.
TEST_F(HttpUserProxy, BypassListExemptsTheHostsItNames) {
    const struct {
        const char* list;
        bool exempt;
    } cases[] = {
        {"localhost", true},      {"<local>", true}, {"*.example.com;LOCALHOST", true},
        {"sub.localhost", false}, {"", false},
    };
    const std::string deadProxy = "127.0.0.1:" + std::to_string(ClosedPort());
    for (const auto& [list, exempt] : cases) {
        const UserProxy settings(deadProxy, list);
        OriginServer origin;
        const std::string message = FailureOf([&] { Post(origin.server.GetPort(), 1000); });
        EXPECT_EQ(message, exempt ? "(no GS::GSException)"
                                  : "connection refused by " + Authority(origin.server.GetPort()))
            << list;
    }
}

} // namespace
} // namespace HttpTest
