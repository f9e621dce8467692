#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

namespace HTTP::Client {

// How a session reaches the origin: an access type of WinHttpOpen and, for a named proxy, its list
// and bypass list.
struct ProxyChoice {
    DWORD access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
    std::wstring proxy;
    std::wstring bypass;
};

// The user's proxy settings as browsers follow them: automatic detection, then the configuration
// script, then the manual proxy with its bypass list; with none of them set, WinHTTP's own default
// (netsh winhttp). Wine's WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY always goes direct, hence this lookup.
ProxyChoice ChooseProxy(const std::wstring& url, Int32 timeout);

} // namespace HTTP::Client
