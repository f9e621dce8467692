#pragma once

#include <string>

// The service's web origin: https scheme and host, no path, no trailing "/".
extern const char* const ServiceBaseUrl;

// The login page that links the installation with identifier `linkId` to an account.
std::string LoginUrl(const char* linkId);
// The live view, of one image when the id is not empty.
std::string LiveViewUrl(const std::string& imageId);

// Opening a page of the service in the browser also renews the stamp of the last browser visit.
void OpenUrlInBrowser(const char* url);
void OpenLoginPage(const char* linkId);
void OpenLiveView(const std::string& imageId);
