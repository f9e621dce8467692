#pragma once

#include "ServiceProcess.hpp"
#include "TlsClient.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace kavelo::test {

// Bytes the service takes for a JPEG: start-of-image and APP0 markers, `size` bytes in all,
// end-of-image last. The service never decodes them; browsers get real JPEGs in their own test.
std::string MakeJpeg(std::size_t size, unsigned seed);
std::string Base64(std::string_view bytes);
// A fresh version 4 UUID in lower case, like the add-on's link ids.
std::string NewLinkId();

// The body the add-on posts; with `escapeSlashes`, "/" written as "\/" as some JSON writers do.
std::string UploadBody(std::string_view jpeg, bool escapeSlashes = false);
HttpRequest UploadRequest(const std::string& linkId, std::string body);
HttpRequest LinkRequest(const std::string& linkId, const std::string& path = "/login");

// Links a new id through the login form; returns it.
std::string LinkNewId(const ServiceProcess& service);
// Posts the picture with `linkId`; the image id from a 201, or an empty text for any other answer.
std::string UploadImage(const ServiceProcess& service, const std::string& linkId, std::string_view jpeg);

} // namespace kavelo::test
