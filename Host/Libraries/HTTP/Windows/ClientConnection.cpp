// The client connection on WinHTTP, so that it follows the system's proxy settings and certificate
// store as Windows programs do. WinHTTP connects and verifies the server inside the first send:
// its own verification against the system's store runs in the TLS handshake, before any byte of
// the request (whose fields may carry credentials) leaves. Every WinHTTP call is synchronous and
// bounded by the connection's time-out.

#include "ClientConnectionImpl.hpp"

#include "HeaderFieldAccess.hpp"
#include "RequestRules.hpp"
#include "ResponseAccess.hpp"
#include "Settings.hpp"
#include "Text.hpp"

#include <array>
#include <string>
#include <string_view>

namespace HTTP::Client {

namespace {

constexpr std::size_t DrainPieceSize = 16 * 1024;

std::wstring Wide(std::string_view text) {
    const std::u16string units = GS::Host::Utf8ToUtf16(text);
    return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view text) {
    return GS::Host::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        GetModuleHandleW(L"winhttp.dll"), error, 0,
                                        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error)
                           : Narrow(message) + " (" + std::to_string(error) + ")";
}

bool IsCertificateFailure(DWORD error) {
    switch (error) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
        return true;
    default:
        return false;
    }
}

} // namespace

void ClientConnection::Impl::SetTimeout(Int32 milliseconds) {
    if (milliseconds <= 0) {
        Throw("invalid time-out of " + std::to_string(milliseconds) + " ms: it must be positive");
    }
    timeout = milliseconds;
    if (request.handle != nullptr) {
        ApplyTimeout(request.handle);
    }
}

void ClientConnection::Impl::ApplyTimeout(HINTERNET handle) const {
    if (!WinHttpSetTimeouts(handle, timeout, timeout, timeout, timeout)) {
        Fail(GetLastError(), "setting the time-out");
    }
}

// No user agent: the library adds Host and Content-Length, nothing else.
void ClientConnection::Impl::Connect() {
    Require(State::NotConnected, "connect");
    session.Reset(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.handle == nullptr) {
        Fail(GetLastError(), "opening a WinHTTP session");
    }
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!WinHttpSetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2; // systems without TLS 1.3
        WinHttpSetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
    }
    ApplyTimeout(session.handle);
    connection.Reset(WinHttpConnect(session.handle, Wide(origin.host).c_str(), origin.port, 0));
    if (connection.handle == nullptr) {
        Fail(GetLastError(), "connecting to " + originText);
    }
    state = State::Open;
}

void ClientConnection::Impl::Send(const Request& request_, const char* body, USize length) {
    Require(State::Open, "send a request");
    const std::string target = CheckedTarget(request_, body, length);
    const std::wstring method = Wide(MethodName(request_.GetMethod()));
    const std::wstring version = Wide("HTTP/1." + std::to_string(VersionNumber(request_.GetVersion()) % 10));
    std::wstring fields;
    for (const MessageHeader::HeaderFieldAccess::Field& field :
         MessageHeader::HeaderFieldAccess::GetFields(request_.GetRequestHeaderFieldCollection())) {
        CheckField(field);
        fields += Wide(field.name) + L": " + Wide(field.value) + L"\r\n";
    }

    request.Reset(WinHttpOpenRequest(connection.handle, method.c_str(), Wide(target).c_str(), version.c_str(),
                                     WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                     WINHTTP_FLAG_SECURE | WINHTTP_FLAG_ESCAPE_DISABLE));
    if (request.handle == nullptr) {
        Fail(GetLastError(), "preparing the request to " + originText);
    }
    ApplyTimeout(request.handle);
    // No cookies, redirects or automatic log-on: the request goes out as it was given.
    DWORD disabled = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION;
    WinHttpSetOption(request.handle, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof(disabled));
    if (!fields.empty() &&
        !WinHttpAddRequestHeaders(request.handle, fields.c_str(), static_cast<DWORD>(fields.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD)) {
        Fail(GetLastError(), "adding the request's header fields");
    }
    // WinHTTP writes Content-Length from the total length it is given.
    const bool sendLength = NeedsContentLength(request_.GetMethod(), length);
    std::wstring lengthField = sendLength && length == 0 ? L"Content-Length: 0\r\n" : L"";
    if (!WinHttpSendRequest(request.handle,
                            lengthField.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : lengthField.c_str(),
                            static_cast<DWORD>(lengthField.size()),
                            const_cast<char*>(length > 0 ? body : nullptr), length, length, 0)) {
        Fail(GetLastError(), "sending the request to " + originText);
    }
    state = State::AwaitingResponse;
}

GS::IBinaryChannel& ClientConnection::Impl::BeginReceive(Response& response) {
    Require(State::AwaitingResponse, "receive a response");
    bodyLimit = Settings::ResponseBodyLimit();
    bodyReceived = 0;
    bodyDone = false;
    if (!WinHttpReceiveResponse(request.handle, nullptr)) {
        Fail(GetLastError(), "waiting for the response from " + originText);
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        Fail(GetLastError(), "reading the response's status from " + originText);
    }
    ReadFields(response);
    ResponseAccess::SetStatusCode(response, status);
    state = State::ReceivingBody;
    return channel;
}

// The raw header, one field a line after the status line.
void ClientConnection::Impl::ReadFields(Response& response) const {
    DWORD size = 0;
    WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                        &size, WINHTTP_NO_HEADER_INDEX);
    std::wstring raw(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             raw.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
        Fail(GetLastError(), "reading the response's header from " + originText);
    }
    raw.resize(size / sizeof(wchar_t));
    MessageHeader::HeaderFieldCollection& fields = ResponseAccess::GetFields(response);
    MessageHeader::HeaderFieldAccess::Clear(fields);
    std::size_t start = raw.find(L"\r\n");
    while (start != std::wstring::npos && start + 2 < raw.size()) {
        start += 2;
        const std::size_t end = raw.find(L"\r\n", start);
        const std::wstring_view line(raw.data() + start,
                                     (end == std::wstring::npos ? raw.size() : end) - start);
        const std::size_t colon = line.find(L':');
        if (colon != std::wstring_view::npos) {
            std::wstring_view value = line.substr(colon + 1);
            while (!value.empty() && (value.front() == L' ' || value.front() == L'\t'))
                value.remove_prefix(1);
            while (!value.empty() && (value.back() == L' ' || value.back() == L'\t'))
                value.remove_suffix(1);
            MessageHeader::HeaderFieldAccess::Append(fields, Narrow(line.substr(0, colon)), Narrow(value));
        }
        start = end;
    }
}

USize ClientConnection::Impl::ReadBody(char* destination, USize size) {
    Require(State::ReceivingBody, "read the response body");
    if (size == 0 || bodyDone) {
        return 0;
    }
    if (destination == nullptr) {
        Throw("cannot read the response body into a null buffer");
    }
    DWORD read = 0;
    if (!WinHttpReadData(request.handle, destination, size, &read)) {
        Fail(GetLastError(), "reading the response body from " + originText);
    }
    bodyDone = read == 0;
    bodyReceived += read;
    if (bodyReceived > bodyLimit) {
        Throw("response body larger than " + std::to_string(bodyLimit) + " bytes");
    }
    return read;
}

void ClientConnection::Impl::FinishReceive() {
    Require(State::ReceivingBody, "finish receiving");
    std::array<char, DrainPieceSize> discarded;
    while (ReadBody(discarded.data(), static_cast<USize>(discarded.size())) > 0) {
    }
    request.Reset();
    state = State::Open;
}

void ClientConnection::Impl::Abort() noexcept {
    request.Reset();
    connection.Reset();
    session.Reset();
    state = State::Closed;
}

void ClientConnection::Impl::Fail(DWORD error, const std::string& activity) const {
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
        Throw("timed out after " + std::to_string(timeout) + " ms while " + activity);
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        Throw("could not resolve host '" + origin.host + "'");
    case ERROR_WINHTTP_CANNOT_CONNECT:
        Throw("could not connect to " + originText + ": " + SystemMessage(error));
    case ERROR_WINHTTP_CONNECTION_ERROR:
        Throw("connection to " + originText + " failed while " + activity + ": " + SystemMessage(error));
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        Throw("malformed response: " + SystemMessage(error));
    default:
        break;
    }
    if (IsCertificateFailure(error)) {
        Throw("certificate verify failed: the server at " + originText + " is not trusted for '" +
              origin.host + "' (" + SystemMessage(error) + ")");
    }
    Throw("error while " + activity + ": " + SystemMessage(error));
}

} // namespace HTTP::Client
