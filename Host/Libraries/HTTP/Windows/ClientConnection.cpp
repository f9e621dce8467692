// The client connection on WinHTTP, so that it follows the user's proxy settings and the system's
// certificate store as Windows programs do. WinHTTP connects and verifies the server inside the first
// send: its own verification runs in the TLS handshake, before any byte of the request (whose fields
// may carry credentials) leaves.
//
// WinHTTP runs asynchronously and every call is awaited with a deadline of the connection's own:
// wine bounds neither the TLS handshake nor the wait for the response header with the time-outs it is
// given. At the deadline the request handle is closed. The body goes out in pieces, each with a fresh
// deadline, so that a long upload that keeps moving is not cut. WinHTTP's own time-outs stay longer
// than the deadline, so that a call given up on still ends on WinHTTP's thread.

#include "ClientConnectionImpl.hpp"

#include "Failures.hpp"
#include "HeaderFieldAccess.hpp"
#include "Proxy.hpp"
#include "RequestRules.hpp"
#include "ResponseAccess.hpp"
#include "ResponseHead.hpp"
#include "Settings.hpp"
#include "Text.hpp"

#include <wincrypt.h> // after windows.h, whose types it uses

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace HTTP::Client {

namespace {

// WinHTTP reports no progress inside a write: a line must move a piece of the body within the
// time-out (32 KiB/s at 8000 ms). Smaller pieces cost more under wine: 64 KiB ones make a 10 MB
// upload about twice as slow.
constexpr std::size_t PieceSize = 256 * 1024;
constexpr std::size_t DrainPieceSize = 16 * 1024;
// Wine reports CONNECTED_TO_SERVER only after the TLS handshake, Windows after the TCP connection.
// WinHTTP's own connect time-out, the connection's time-out, ends a stalled TCP connection; a stall
// that outlasts it by this much in that stage is the handshake's.
constexpr std::chrono::milliseconds HandshakeMargin{250};

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

// As the Linux client words OpenSSL's reason: "certificate verify failed: REASON (host H)".
constexpr const char* NameMismatch = "the certificate does not name the host";

std::string CertificateReason(DWORD error) {
    switch (error) {
    case ERROR_WINHTTP_SECURE_INVALID_CA:
        return "the certificate's authority is not trusted";
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        return NameMismatch;
    default:
        return "the secure channel was refused: " + SystemMessage(error);
    }
}

bool IsCompletion(DWORD status) {
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        return true;
    default:
        return false;
    }
}

// Whether the server's certificate names its hosts as browsers and the Linux client read them: in
// subject alternative names. WinHTTP, under wine as on Windows, also takes a common name alone.
bool HasAlternativeNames(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof(certificate);
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) ||
        certificate == nullptr) {
        return false;
    }
    const bool named = CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                                         certificate->pCertInfo->rgExtension) != nullptr;
    CertFreeCertificateContext(certificate);
    return named;
}

// Runs on WinHTTP's threads. Only request handles carry a context.
void CALLBACK Notify(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID information, DWORD length) {
    Pending* const pending = reinterpret_cast<Pending*>(context);
    if (pending == nullptr) {
        return;
    }
    if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
        pending->Release();
        return;
    }
    // SENDING_REQUEST comes after the handshake and before the first byte of the request. Returning
    // lets WinHTTP send it, and closing the handle does not stop it under wine: so for a refused
    // certificate this thread of WinHTTP's stays here, with its connection, until the process ends.
    if (status == WINHTTP_CALLBACK_STATUS_SENDING_REQUEST && !HasAlternativeNames(handle)) {
        {
            std::lock_guard lock(pending->mutex);
            pending->nameless = true;
            pending->completion = WINHTTP_CALLBACK_STATUS_REQUEST_ERROR;
        }
        pending->changed.notify_all();
        for (;;) {
            Sleep(INFINITE);
        }
    }
    {
        std::lock_guard lock(pending->mutex);
        if (status == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) {
            pending->error = static_cast<const WINHTTP_ASYNC_RESULT*>(information)->dwError;
        } else if (status == WINHTTP_CALLBACK_STATUS_READ_COMPLETE) {
            pending->bytes = length;
        } else if (status == WINHTTP_CALLBACK_STATUS_RESPONSE_RECEIVED) {
            pending->answered = pending->answered || *static_cast<const DWORD*>(information) > 0;
        } else if (status == WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE) {
            pending->bytes = *static_cast<const DWORD*>(information);
        }
        if (IsCompletion(status)) {
            pending->completion = status;
        } else if (status != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE) {
            pending->stage = status;
            pending->progress = std::chrono::steady_clock::now();
        }
    }
    pending->changed.notify_all();
}

// Windows' WinHttpAddRequestHeadersEx (build 20348 on), declared here as mingw does not: without
// WINHTTP_EXTENDED_HEADER_FLAG_UNICODE it takes names and values as bytes, which go out unchanged.
struct ExtendedHeader {
    const char* name;
    const char* value;
};
using AddHeadersEx = DWORD(WINAPI*)(HINTERNET, DWORD, ULONGLONG, ULONGLONG, DWORD, ExtendedHeader*);

AddHeadersEx FindAddHeadersEx() {
    return reinterpret_cast<AddHeadersEx>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"winhttp.dll"), "WinHttpAddRequestHeadersEx")));
}

// The fields' UTF-8 bytes on the wire, as the Linux client sends them. Without the byte form (wine 8,
// older Windows) they go as UTF-16, which wine narrows to UTF-8.
bool AddFields(HINTERNET request, const std::vector<MessageHeader::HeaderFieldAccess::Field>& fields) {
    if (fields.empty()) {
        return true;
    }
    if (static const AddHeadersEx addBytes = FindAddHeadersEx(); addBytes != nullptr) {
        std::vector<ExtendedHeader> headers;
        for (const MessageHeader::HeaderFieldAccess::Field& field : fields) {
            headers.push_back({field.name.c_str(), field.value.c_str()});
        }
        return addBytes(request, WINHTTP_ADDREQ_FLAG_ADD, 0, 0, static_cast<DWORD>(headers.size()),
                        headers.data()) == ERROR_SUCCESS;
    }
    std::wstring lines;
    for (const MessageHeader::HeaderFieldAccess::Field& field : fields) {
        lines += Wide(field.name) + L": " + Wide(field.value) + L"\r\n";
    }
    return WinHttpAddRequestHeaders(request, lines.c_str(), static_cast<DWORD>(lines.size()),
                                    WINHTTP_ADDREQ_FLAG_ADD);
}

} // namespace

bool RequestHandle::Open(HINTERNET opened) {
    Reset();
    handle = opened;
    if (handle == nullptr) {
        return false;
    }
    pending = new Pending;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(pending);
    ++pending->owners;
    if (!WinHttpSetOption(handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context))) {
        --pending->owners;
        return false;
    }
    return true;
}

void RequestHandle::Reset() {
    if (handle != nullptr) {
        WinHttpCloseHandle(handle);
        handle = nullptr;
    }
    if (pending != nullptr) {
        pending->Release();
        pending = nullptr;
    }
}

void ClientConnection::Impl::SetTimeout(Int32 milliseconds) {
    if (milliseconds <= 0) {
        Throw("invalid time-out of " + std::to_string(milliseconds) + " ms: it must be positive");
    }
    timeout = milliseconds;
}

void ClientConnection::Impl::FailSetting(const char* what) const {
    Throw(std::string("could not set ") + what + " for " + originText + ": " + SystemMessage(GetLastError()));
}

void ClientConnection::Impl::SetOption(HINTERNET handle, DWORD option, DWORD value, const char* what) const {
    if (!WinHttpSetOption(handle, option, &value, sizeof(value))) {
        FailSetting(what);
    }
}

// How long the socket's buffers still hold part of the body once its last write has completed. A
// write completes when the buffers take its piece, on a slow link seconds before it has left: the
// wait for the answer starts that much later, as the POSIX client asks the socket and WinHTTP gives
// no access to it. Once the buffers are full the pieces complete at the link's rate, which the last
// two measure; what went in beyond what that rate carried since the first write is still queued.
std::chrono::steady_clock::duration
QueuedOnTheLink(std::chrono::steady_clock::time_point start,
                const std::vector<std::chrono::steady_clock::time_point>& done, USize length) {
    const std::size_t pieces = done.size();
    if (pieces < 3) {
        return {};
    }
    const double lastTwoBytes = double(PieceSize) + double(length - (pieces - 1) * PieceSize);
    const double lastTwoSeconds = std::chrono::duration<double>(done.back() - done[pieces - 3]).count();
    if (lastTwoSeconds <= 0) {
        return {};
    }
    const double rate = lastTwoBytes / lastTwoSeconds;
    const double queued = double(length) - rate * std::chrono::duration<double>(done.back() - start).count();
    return queued > 0 ? std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(queued / rate))
                      : std::chrono::steady_clock::duration{};
}

// WinHTTP's own limits: the connect time-out tells a stalled TCP connection from a stalled handshake
// (see HandshakeMargin); the others only end calls the deadline already gave up on. Name resolution
// has none: with one, wine resolves on a thread of its own, 7-25 ms more per connection, and the
// system's resolver gives up by itself.
void ClientConnection::Impl::ApplyTimeouts(HINTERNET handle) const {
    const int late =
        static_cast<int>(std::min<Int64>(Int64(timeout) * 2 + 1000, std::numeric_limits<int>::max()));
    if (!WinHttpSetTimeouts(handle, 0, timeout, late, late)) {
        FailSetting("the time-outs");
    }
    SetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, static_cast<DWORD>(late),
              "the response time-out");
}

void ClientConnection::Impl::OpenSession() {
    const ProxyChoice proxy = ChooseProxy(Wide("https://" + originText + "/"), timeout);
    proxyName = proxy.proxy.empty() ? "" : "proxy " + Narrow(proxy.proxy);
    session.Reset(WinHttpOpen(
        nullptr, proxy.access, proxy.proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.proxy.c_str(),
        proxy.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : proxy.bypass.c_str(), WINHTTP_FLAG_ASYNC));
    if (session.handle == nullptr) {
        FailSetting("a WinHTTP session");
    }
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!WinHttpSetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
        // Systems without TLS 1.3.
        SetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2,
                  "the TLS versions");
    }
    if (WinHttpSetStatusCallback(session.handle, Notify, WINHTTP_CALLBACK_FLAG_ALL_NOTIFICATIONS, 0) ==
        WINHTTP_INVALID_STATUS_CALLBACK) {
        FailSetting("the status callback");
    }
}

// No user agent: the library adds Host and Content-Length, nothing else.
void ClientConnection::Impl::Connect() {
    Require(State::NotConnected, "connect");
    OpenSession();
    connection.Reset(WinHttpConnect(session.handle, Wide(origin.host).c_str(), origin.port, 0));
    if (connection.handle == nullptr) {
        FailSetting("a WinHTTP connection");
    }
    state = State::Open;
}

// Readies the Pending for the next call, whose progress starts at the given stage, or that much
// later where the wire is still busy with what went before.
void ClientConnection::Impl::Begin(DWORD stage, std::chrono::steady_clock::duration busy) {
    Pending& pending = *request.pending;
    std::lock_guard lock(pending.mutex);
    pending.completion = 0;
    pending.error = 0;
    pending.bytes = 0;
    pending.stage = stage;
    pending.progress = std::chrono::steady_clock::now();
    pending.busyUntil = pending.progress + busy;
}

// Waits for the call under way. Each progress notification (name resolved, connected, request sent,
// data received) renews the deadline: it bounds a stall, not a whole exchange.
void ClientConnection::Impl::Await(Step step) {
    Pending& pending = *request.pending;
    std::unique_lock lock(pending.mutex);
    for (;;) {
        if (pending.completion != 0) {
            break;
        }
        const auto allowed =
            std::chrono::milliseconds(timeout) +
            (pending.stage == WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER ? HandshakeMargin
                                                                           : std::chrono::milliseconds(0));
        const auto deadline = std::max(pending.progress, pending.busyUntil) + allowed;
        if (std::chrono::steady_clock::now() >= deadline) {
            const DWORD stage = pending.stage;
            lock.unlock();
            request.Reset();
            Throw(Failures::TimedOut(timeout, Activity(step, stage, true)));
        }
        pending.changed.wait_until(lock, deadline);
    }
    if (pending.nameless) {
        lock.unlock();
        Throw(Failures::CertificateRefused(std::string(NameMismatch) + " (host " + origin.host + ")"));
    }
    if (pending.completion == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) {
        const DWORD error = pending.error;
        const DWORD stage = pending.stage;
        const bool answered = pending.answered;
        lock.unlock();
        // Wine calls a connection closed before any answer an invalid response.
        if (error == ERROR_WINHTTP_INVALID_SERVER_RESPONSE && !answered) {
            Throw(Failures::ClosedBeforeResponse);
        }
        Fail(error, step, stage);
    }
}

// Where the request has gone out whole, the wait is for the response: wine reads the response header
// inside the send when the request carries its whole body.
ClientConnection::Impl::Step ClientConnection::Impl::Effective(Step step, DWORD stage) {
    const bool sent = stage == WINHTTP_CALLBACK_STATUS_REQUEST_SENT ||
                      stage == WINHTTP_CALLBACK_STATUS_RECEIVING_RESPONSE ||
                      stage == WINHTTP_CALLBACK_STATUS_RESPONSE_RECEIVED;
    return step == Step::Sending && sent ? Step::Waiting : step;
}

std::string ClientConnection::Impl::Activity(Step step, DWORD stage, bool ownDeadline) const {
    switch (Effective(step, stage)) {
    case Step::Waiting:
        return Failures::Waiting(originText);
    case Step::Reading:
        return Failures::ReadingBody(originText);
    case Step::Sending:
        break;
    }
    switch (stage) {
    case 0:
    case WINHTTP_CALLBACK_STATUS_RESOLVING_NAME:
        return Failures::Resolving(origin.host);
    case WINHTTP_CALLBACK_STATUS_NAME_RESOLVED:
        return Failures::Connecting(originText);
    case WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER:
        return ownDeadline ? Failures::Handshaking(originText) : Failures::Connecting(originText);
    case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER:
        return Failures::Handshaking(originText);
    default:
        return Failures::Sending(originText);
    }
}

void ClientConnection::Impl::Send(const Request& request_, const char* body, USize length) {
    Require(State::Open, "send a request");
    const std::string target = CheckedTarget(request_, body, length);
    const std::wstring method = Wide(MethodName(request_.GetMethod()));
    const std::wstring version = Wide("HTTP/1." + std::to_string(VersionNumber(request_.GetVersion()) % 10));
    const std::vector<MessageHeader::HeaderFieldAccess::Field>& given =
        MessageHeader::HeaderFieldAccess::GetFields(request_.GetRequestHeaderFieldCollection());
    std::for_each(given.begin(), given.end(), CheckField);
    // Host first and Content-Length last, in the Linux client's order; WinHTTP adds neither again.
    std::vector<MessageHeader::HeaderFieldAccess::Field> fields{{"Host", HostField(origin)}};
    fields.insert(fields.end(), given.begin(), given.end());
    if (NeedsContentLength(request_.GetMethod(), length)) {
        fields.push_back({"Content-Length", std::to_string(length)});
    }

    if (!request.Open(WinHttpOpenRequest(connection.handle, method.c_str(), Wide(target).c_str(),
                                         version.c_str(), WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                         WINHTTP_FLAG_SECURE | WINHTTP_FLAG_ESCAPE_DISABLE))) {
        FailSetting("a WinHTTP request");
    }
    ApplyTimeouts(request.handle);
    // No cookies, redirects or automatic log-on: the request goes out as it was given, and a 30x is
    // an answer like any other. Going on with WinHTTP's defaults would follow a redirect with the
    // request's fields to another host.
    SetOption(request.handle, WINHTTP_OPTION_DISABLE_FEATURE,
              WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION,
              "the disabled features");
    SetOption(request.handle, WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_NEVER,
              "the redirect policy");
    SetOption(request.handle, WINHTTP_OPTION_AUTOLOGON_POLICY, WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH,
              "the log-on policy");
    SetOption(request.handle, WINHTTP_OPTION_MAX_RESPONSE_HEADER_SIZE, Failures::ResponseHeaderLimit,
              "the response header limit");
    if (!AddFields(request.handle, fields)) {
        FailSetting("the request's header fields");
    }
    Begin(0);
    if (!WinHttpSendRequest(request.handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                            length, 0)) {
        Fail(GetLastError(), Step::Sending, 0);
    }
    Await(Step::Sending);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::chrono::steady_clock::time_point> done;
    for (USize sent = 0; sent < length;) {
        const USize piece = static_cast<USize>(std::min<std::size_t>(PieceSize, length - sent));
        Write(body + sent, piece);
        done.push_back(std::chrono::steady_clock::now());
        sent += piece;
    }
    queued = QueuedOnTheLink(start, done, length);
    headRequest = request_.GetMethod() == MessageHeader::Method::Head;
    state = State::AwaitingResponse;
}

// The piece is copied into the Pending, which outlives a write given up at its deadline.
void ClientConnection::Impl::Write(const char* piece, USize length) {
    request.pending->buffer.assign(piece, piece + length);
    Begin(WINHTTP_CALLBACK_STATUS_SENDING_REQUEST);
    if (!WinHttpWriteData(request.handle, request.pending->buffer.data(), length, nullptr)) {
        Fail(GetLastError(), Step::Sending, WINHTTP_CALLBACK_STATUS_SENDING_REQUEST);
    }
    Await(Step::Sending);
}

GS::IBinaryChannel& ClientConnection::Impl::BeginReceive(Response& response) {
    Require(State::AwaitingResponse, "receive a response");
    bodyLimit = Settings::ResponseBodyLimit();
    bodyReceived = 0;
    bodyDone = false;
    Begin(WINHTTP_CALLBACK_STATUS_REQUEST_SENT, queued);
    if (!WinHttpReceiveResponse(request.handle, nullptr)) {
        Fail(GetLastError(), Step::Waiting, 0);
    }
    Await(Step::Waiting);

    DWORD size = 0;
    WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                        &size, WINHTTP_NO_HEADER_INDEX);
    std::wstring raw(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             raw.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
        Fail(GetLastError(), Step::Waiting, 0);
    }
    raw.resize(size / sizeof(wchar_t));
    const ResponseHead head = ParseResponseHead(Narrow(raw));
    // Windows' WinHTTP hands a proxy's demand for credentials over as the response; with log-on
    // disabled only a proxy answers 407, and it refused the tunnel.
    if (head.status == 407 && !proxyName.empty()) {
        Throw(Failures::ProxyRefused(proxyName, originText, 407, "Proxy Authentication Required"));
    }
    // A body follows neither a HEAD request nor a 204 or 304 answer, whatever length it announces.
    const bool bodyless = headRequest || head.status == 204 || head.status == 304;
    bodyLength = bodyless ? std::nullopt : head.contentLength;
    if (bodyLength && *bodyLength > bodyLimit) {
        Throw(Failures::BodyTooLarge(bodyLimit));
    }
    MessageHeader::HeaderFieldCollection& fields = ResponseAccess::GetFields(response);
    MessageHeader::HeaderFieldAccess::Clear(fields);
    for (const MessageHeader::HeaderFieldAccess::Field& field : head.fields) {
        MessageHeader::HeaderFieldAccess::Append(fields, field.name, field.value);
    }
    ResponseAccess::SetStatusCode(response, head.status);
    state = State::ReceivingBody;
    return channel;
}

// Only what is available is read: wine reads a request for more on the caller's thread, blocked
// until the server sends it. The piece lands in the Pending and is copied out, as a read given up
// at its deadline may still complete.
USize ClientConnection::Impl::ReadBody(char* destination, USize size) {
    Require(State::ReceivingBody, "read the response body");
    if (size == 0 || bodyDone) {
        return 0;
    }
    if (destination == nullptr) {
        Throw("cannot read the response body into a null buffer");
    }
    Begin(WINHTTP_CALLBACK_STATUS_RECEIVING_RESPONSE);
    if (!WinHttpQueryDataAvailable(request.handle, nullptr)) {
        Fail(GetLastError(), Step::Reading, 0);
    }
    Await(Step::Reading);
    // Read at the end too, where nothing is available: WinHTTP hands the connection back for the next
    // request only once a read has reached the end; closing the request before that closes it.
    std::vector<char>& buffer = request.pending->buffer;
    buffer.resize(std::min<std::size_t>({size, std::max<DWORD>(request.pending->bytes, 1), PieceSize}));
    Begin(WINHTTP_CALLBACK_STATUS_RECEIVING_RESPONSE);
    if (!WinHttpReadData(request.handle, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr)) {
        Fail(GetLastError(), Step::Reading, 0);
    }
    Await(Step::Reading);
    const DWORD read = request.pending->bytes;
    std::memcpy(destination, buffer.data(), read);
    bodyDone = read == 0;
    bodyReceived += read;
    if (bodyReceived > bodyLimit) {
        Throw(Failures::BodyTooLarge(bodyLimit));
    }
    // WinHTTP ends the body where the server closed, even short of its announced length.
    if (bodyDone && bodyLength && bodyReceived < *bodyLength) {
        Throw(Failures::ClosedBeforeResponse);
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

void ClientConnection::Impl::Fail(DWORD error, Step step, DWORD stage) const {
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:
        Throw(Failures::TimedOut(timeout, Activity(step, stage, false)));
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        Throw(Failures::Unresolved(origin.host, SystemMessage(error)));
    case ERROR_WINHTTP_CANNOT_CONNECT:
        Throw(Failures::Refused(originText));
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case WSAECONNRESET:
    case WSAECONNABORTED:
        Throw(Effective(step, stage) == Step::Sending ? Failures::ClosedWhileSending
                                                      : Failures::ClosedBeforeResponse);
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        Throw(Failures::Malformed(SystemMessage(error)));
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
        Throw(Failures::HeaderTooLarge());
    default:
        break;
    }
    if (IsCertificateFailure(error)) {
        // Wine starts TLS in the tunnel whatever the proxy answered to CONNECT, and keeps the answer
        // to itself: a refusal fails the handshake, so the proxy is named too.
        Throw(Failures::CertificateRefused(CertificateReason(error) + " (host " + origin.host +
                                           (proxyName.empty() ? "" : ", through " + proxyName) + ")"));
    }
    Throw("error while " + Activity(step, stage, false) + ": " + SystemMessage(error));
}

} // namespace HTTP::Client
