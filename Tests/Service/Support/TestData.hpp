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
// A fresh version 4 UUID in lower case, like the add-on's link ids.
std::string NewLinkId();

// The body the add-on posts; with `escapeSlashes`, "/" written as "\/" as some JSON writers do.
std::string UploadBody(std::string_view jpeg, bool escapeSlashes = false);
HttpRequest UploadRequest(const std::string& linkId, std::string body);

// A person signed in with a browser: the session cookie, and the token the session's forms carry.
struct Person {
    std::string cookie; // "name=value", for the Cookie header
    std::string formToken;

    HttpRequest Page(const std::string& target) const;
    // A form post of the pages: `fields` (url-encoded), the form token unless `withToken` is false.
    HttpRequest Form(const std::string& path, const std::string& fields, bool withToken = true) const;
};

// The value of `name`'s first field in the page's HTML.
std::string FieldValue(const std::string& page, const std::string& name);
// The "name=value" a response sets for cookie `name`, or empty.
std::string SetCookie(const Response& response, const std::string& name);

// The sign-in form posted with `credentials`, as a browser does after showing it.
Response PostSignIn(const ServiceProcess& service, const Credentials& credentials,
                    const std::string& next = "/account");
// Signs in through the pages; throws when that fails.
Person SignIn(const ServiceProcess& service, const Credentials& credentials);
// The first account, signed in.
Person SignInFirst(const ServiceProcess& service);

// Links a new id on the login page as `person`; returns it.
std::string LinkNewId(const ServiceProcess& service, const Person& person);
// Posts the picture with `linkId`; the image id from a 201, or an empty text for any other answer.
// `source` is the client's address (one loopback address is one client).
std::string UploadImage(const ServiceProcess& service, const std::string& linkId, std::string_view jpeg,
                        const std::string& source = "127.0.0.1");

} // namespace kavelo::test
