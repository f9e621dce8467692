// The platform's floor for an export: posts a ready JSON body with WinHTTP, with the options the HTTP
// host library sets (no user agent, the default proxy, TLS 1.2 or 1.3, the same time-out on every
// handle, no cookies, redirects or automatic log-on, the system's trust), reads the status, the raw
// header and the body, and exits 0 on 201. Used by export-vs-curl.sh; keep it in line with
// Host/Libraries/HTTP/Windows.
//
//   WinHttpPost HOST PORT PATH API_KEY BODY_FILE

#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD Timeout = 8000; // milliseconds, as the add-on's upload sets it

struct Handle {
    HINTERNET handle;
    explicit Handle(HINTERNET h) : handle(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle != nullptr)
            WinHttpCloseHandle(handle);
    }
};

int Fail(const char* activity) {
    std::fprintf(stderr, "WinHttpPost: %s failed (error %lu)\n", activity, GetLastError());
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: WinHttpPost HOST PORT PATH API_KEY BODY_FILE\n");
        return 2;
    }
    std::ifstream file(argv[5], std::ios::binary | std::ios::ate);
    std::vector<char> body(file ? static_cast<std::size_t>(file.tellg()) : 0);
    if (!file || !file.seekg(0) || !file.read(body.data(), static_cast<std::streamsize>(body.size()))) {
        std::fprintf(stderr, "WinHttpPost: cannot read the body file\n");
        return 1;
    }

    const Handle session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                     WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.handle == nullptr)
        return Fail("WinHttpOpen");
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!WinHttpSetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        WinHttpSetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
    }
    if (!WinHttpSetTimeouts(session.handle, Timeout, Timeout, Timeout, Timeout))
        return Fail("WinHttpSetTimeouts");
    const Handle connection(
        WinHttpConnect(session.handle, argv[1], static_cast<INTERNET_PORT>(_wtoi(argv[2])), 0));
    if (connection.handle == nullptr)
        return Fail("WinHttpConnect");
    const Handle request(WinHttpOpenRequest(connection.handle, L"POST", argv[3], L"HTTP/1.1",
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            WINHTTP_FLAG_SECURE | WINHTTP_FLAG_ESCAPE_DISABLE));
    if (request.handle == nullptr)
        return Fail("WinHttpOpenRequest");
    if (!WinHttpSetTimeouts(request.handle, Timeout, Timeout, Timeout, Timeout))
        return Fail("WinHttpSetTimeouts");
    DWORD disabled = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION;
    WinHttpSetOption(request.handle, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof(disabled));
    const std::wstring fields = std::wstring(L"X-Api-Key: ") + argv[4] + L"\r\n";
    if (!WinHttpAddRequestHeaders(request.handle, fields.c_str(), static_cast<DWORD>(fields.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD))
        return Fail("WinHttpAddRequestHeaders");
    const DWORD length = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request.handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0, const_cast<char*>(body.data()),
                            length, length, 0))
        return Fail("WinHttpSendRequest");
    if (!WinHttpReceiveResponse(request.handle, nullptr))
        return Fail("WinHttpReceiveResponse");
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Fail("reading the status");
    size = 0;
    WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                        &size, WINHTTP_NO_HEADER_INDEX);
    std::wstring header(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             header.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return Fail("reading the header");
    char piece[16 * 1024];
    for (DWORD read = 1; read > 0;) {
        if (!WinHttpReadData(request.handle, piece, sizeof(piece), &read))
            return Fail("WinHttpReadData");
    }
    std::printf("%lu\n", status);
    return status == 201 ? 0 : 1;
}
