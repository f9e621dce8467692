#pragma once

// The client connection on asynchronous WinHTTP: every call is followed by a wait with a deadline of
// the connection's own, so that no stall outlasts the time-out whichever time-outs WinHTTP honours.

#include "HTTP/Client.hpp"

#include "ConnectionState.hpp"
#include "Origin.hpp"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace HTTP::Client {

constexpr Int32 DefaultTimeout = 30000;

// Owns one WinHTTP handle.
struct WinHttpHandle {
    HINTERNET handle = nullptr;
    WinHttpHandle() = default;
    WinHttpHandle(const WinHttpHandle&) = delete;
    WinHttpHandle& operator=(const WinHttpHandle&) = delete;
    ~WinHttpHandle() { Reset(); }
    void Reset(HINTERNET replacement = nullptr) {
        if (handle != nullptr)
            WinHttpCloseHandle(handle);
        handle = replacement;
    }
};

// What WinHTTP reports of one request's calls. A call given up at its deadline may still complete
// later on WinHTTP's thread, into this buffer: so WinHTTP holds a share until it closes the handle
// (HANDLE_CLOSING), and whichever lets go last frees it.
struct Pending {
    std::atomic<int> owners{1};
    std::mutex mutex;
    std::condition_variable changed;
    DWORD completion = 0;  // the call's completion notification; 0 while it runs
    DWORD error = 0;       // of REQUEST_ERROR
    DWORD bytes = 0;       // of READ_COMPLETE
    DWORD stage = 0;       // the latest progress notification
    bool nameless = false; // the server's certificate has no subject alternative name
    bool answered = false; // a byte of the response has arrived
    std::chrono::steady_clock::time_point progress;
    std::chrono::steady_clock::time_point busyUntil; // the wire's, with what went before: no stall until then
    std::vector<char> buffer;

    void Release() {
        if (--owners == 0)
            delete this;
    }
};

// A request handle and its Pending.
class RequestHandle {
public:
    RequestHandle() = default;
    RequestHandle(const RequestHandle&) = delete;
    RequestHandle& operator=(const RequestHandle&) = delete;
    ~RequestHandle() { Reset(); }
    // Shares a new Pending with WinHTTP through the handle's context value; false when WinHTTP refuses it.
    bool Open(HINTERNET opened);
    void Reset();
    HINTERNET handle = nullptr;
    Pending* pending = nullptr;
};

class ClientConnection::Impl {
public:
    explicit Impl(const IO::URI::URI& uri)
        : origin(OriginOf(uri)), originText(Authority(origin.host, origin.port)) {}

    void SetTimeout(Int32 milliseconds);
    void Connect();
    void Send(const Request& request, const char* body, USize length);
    GS::IBinaryChannel& BeginReceive(Response& response);
    USize ReadBody(char* destination, USize size);
    void FinishReceive();
    // WinHTTP ends its TLS sessions itself; a graceful close has nothing more to do.
    void Close(bool /*graceful*/) { Abort(); }

    void Abort() noexcept;

private:
    using State = ConnectionState;
    enum class Step { Sending, Waiting, Reading };

    void OpenSession();
    void SetOption(HINTERNET handle, DWORD option, DWORD value, const char* what) const;
    void ApplyTimeouts(HINTERNET handle) const;
    void Begin(DWORD stage, std::chrono::steady_clock::duration busy = {});
    void Await(Step step);
    void Write(const char* piece, USize length);
    static Step Effective(Step step, DWORD stage);
    std::string Activity(Step step, DWORD stage, bool ownDeadline) const;
    void Require(State expected, const char* operation) const {
        RequireState(state, expected, operation, originText);
    }
    [[noreturn]] void Fail(DWORD error, Step step, DWORD stage) const;
    [[noreturn]] void FailSetting(const char* what) const;

    const Origin origin;
    const std::string originText;
    std::string proxyName; // "proxy HOST:PORT" as the user's settings name it; empty when direct
    Int32 timeout = DefaultTimeout;
    State state = State::NotConnected;
    bool headRequest = false;
    std::chrono::steady_clock::duration queued{}; // the body's tail still in the socket's buffers
    UInt64 bodyLimit = 0;
    UInt64 bodyReceived = 0;
    std::optional<UInt64> bodyLength;
    bool bodyDone = false;

    WinHttpHandle session;
    WinHttpHandle connection;
    RequestHandle request;
    BodyChannel<Impl> channel{*this};
};

} // namespace HTTP::Client
