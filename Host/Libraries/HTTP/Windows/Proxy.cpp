#include "GSRoot/Definitions.hpp"

#include "Proxy.hpp"

#include <memory>

namespace HTTP::Client {

namespace {

struct GlobalText {
    wchar_t* text;
    explicit GlobalText(wchar_t* owned) : text(owned) {}
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;
    ~GlobalText() {
        if (text != nullptr)
            GlobalFree(text);
    }
    std::wstring Value() const { return text != nullptr ? text : L""; }
};

// The script's answer for the URL; nothing when there is no script to be found or it fails, as
// browsers then go on with the manual settings.
bool AskScript(const std::wstring& url, const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& user, Int32 timeout,
               ProxyChoice& choice) {
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (user.fAutoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if (user.lpszAutoConfigUrl != nullptr) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = user.lpszAutoConfigUrl;
    }
    options.fAutoLogonIfChallenged = FALSE;
    // The script's own fetch happens on a synchronous session of its own, under the same time-out.
    const std::unique_ptr<void, BOOL(WINAPI*)(HINTERNET)> session(
        WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0),
        WinHttpCloseHandle);
    if (session == nullptr || !WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout)) {
        return false;
    }
    WINHTTP_PROXY_INFO info = {};
    if (!WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info)) {
        return false;
    }
    const GlobalText proxy{info.lpszProxy};
    const GlobalText bypass{info.lpszProxyBypass};
    choice.access = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? WINHTTP_ACCESS_TYPE_NAMED_PROXY
                                                                         : WINHTTP_ACCESS_TYPE_NO_PROXY;
    choice.proxy = proxy.Value();
    choice.bypass = bypass.Value();
    return true;
}

} // namespace

ProxyChoice ChooseProxy(const std::wstring& url, Int32 timeout) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user = {};
    ProxyChoice choice;
    if (!WinHttpGetIEProxyConfigForCurrentUser(&user)) {
        return choice;
    }
    const GlobalText autoConfigUrl{user.lpszAutoConfigUrl};
    const GlobalText proxy{user.lpszProxy};
    const GlobalText bypass{user.lpszProxyBypass};
    if ((user.fAutoDetect || user.lpszAutoConfigUrl != nullptr) && AskScript(url, user, timeout, choice)) {
        return choice;
    }
    if (user.lpszProxy != nullptr) {
        choice.access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
        choice.proxy = proxy.Value();
        choice.bypass = bypass.Value();
    }
    return choice;
}

} // namespace HTTP::Client
