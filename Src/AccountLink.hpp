#pragma once

#include <string>

// The service's web origin: https scheme and host, no path, no trailing "/".
extern const char* const ServiceBaseUrl;

void OpenUrlInBrowser(const char* url);
void OpenLoginPage(const char* linkId);
// The live view, of one image when the id is not empty.
std::string LiveViewUrl(const std::string& imageId);
void OpenLiveView(const std::string& imageId);
// The link dialog; on OK a new identifier is stored and the login page opened with it.
void PromptAccountLink();
void UnlinkAccount();
