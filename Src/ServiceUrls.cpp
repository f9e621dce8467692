#include "ServiceUrls.hpp"

#include "GSRoot/BM.hpp"
#include "Preferences.hpp"
#include "Win32/Windows.hpp"

const char* const ServiceBaseUrl = KAVELO_SERVICE_BASE_URL;

namespace {

// The image id comes from the network and ends up on the browser's command line: everything but
// the unreserved URL characters is escaped, so no quote, blank or control character gets there.
std::string PercentEncode(const std::string& text) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += Hex[byte >> 4];
            encoded += Hex[byte & 0x0F];
        }
    }
    return encoded;
}

} // namespace

void OpenUrlInBrowser(const char* url) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, url, -1, nullptr, 0);
    if (length <= 0)
        return;
    auto* wideUrl = static_cast<WCHAR*>(GS_calloc(static_cast<std::size_t>(length), sizeof(WCHAR)));
    if (wideUrl == nullptr)
        return;
    MultiByteToWideChar(CP_UTF8, 0, url, -1, wideUrl, length);
    ShellExecuteW(nullptr, TEXT("open"), wideUrl, nullptr, nullptr, SW_SHOWNORMAL);
    GS_free(wideUrl);
}

std::string LoginUrl(const char* linkId) {
    return std::string(ServiceBaseUrl) + "/login?eid=" + linkId;
}

std::string LiveViewUrl(const std::string& imageId) {
    std::string url = std::string(ServiceBaseUrl) + "/?uploadRealtime=true";
    if (!imageId.empty())
        url += "&imageId=" + PercentEncode(imageId);
    return url;
}

void OpenLoginPage(const char* linkId) {
    OpenUrlInBrowser(LoginUrl(linkId).c_str());
    RefreshBrowserOpenedAt();
}

void OpenLiveView(const std::string& imageId) {
    OpenUrlInBrowser(LiveViewUrl(imageId).c_str());
    RefreshBrowserOpenedAt();
}
