#pragma once

// The client connection on WinHTTP, its calls synchronous and each bounded by the time-out.

#include "HTTP/Client.hpp"

#include "ConnectionState.hpp"
#include "Origin.hpp"

#include <windows.h>
#include <winhttp.h>

#include <string>

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

    void ApplyTimeout(HINTERNET handle) const;
    void Require(State expected, const char* operation) const {
        RequireState(state, expected, operation, originText);
    }
    [[noreturn]] void Fail(DWORD error, const std::string& activity) const;
    void ReadFields(Response& response) const;

    const Origin origin;
    const std::string originText;
    Int32 timeout = DefaultTimeout;
    State state = State::NotConnected;
    UInt64 bodyLimit = 0;
    UInt64 bodyReceived = 0;
    bool bodyDone = false;

    WinHttpHandle session;
    WinHttpHandle connection;
    WinHttpHandle request;
    BodyChannel<Impl> channel{*this};
};

} // namespace HTTP::Client
