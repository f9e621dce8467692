#include "TestData.hpp"

#include "Base64.hpp"

#include <openssl/rand.h>

#include <random>
#include <stdexcept>

namespace kavelo::test {

std::string MakeJpeg(std::size_t size, unsigned seed) {
    if (size < 8)
        throw std::invalid_argument("a JPEG needs at least 8 bytes here");
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xff);
    bytes.replace(0, 4, "\xff\xd8\xff\xe0");
    bytes.replace(size - 2, 2, "\xff\xd9");
    return bytes;
}

std::string NewLinkId() {
    unsigned char bits[16];
    if (RAND_bytes(bits, sizeof bits) != 1)
        throw std::runtime_error("RAND_bytes failed");
    bits[6] = static_cast<unsigned char>((bits[6] & 0x0f) | 0x40);
    bits[8] = static_cast<unsigned char>((bits[8] & 0x3f) | 0x80);
    std::string id;
    char hex[3];
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            id += '-';
        std::snprintf(hex, sizeof hex, "%02x", bits[i]);
        id += hex;
    }
    return id;
}

std::string UploadBody(std::string_view jpeg, bool escapeSlashes) {
    std::string data = "data:image/jpeg;base64," + EncodeBase64(jpeg);
    if (escapeSlashes) {
        std::string escaped;
        for (const char c : data)
            escaped += c == '/' ? std::string("\\/") : std::string(1, c);
        data = escaped;
    }
    return "{\"image\":\"" + data + "\",\"name\":\"Archicad export\",\"source\":\"archicad\"}";
}

HttpRequest UploadRequest(const std::string& linkId, std::string body) {
    HttpRequest request;
    request.method = "POST";
    request.target = "/api/v1/images";
    request.headers = {{"X-Api-Key", linkId}};
    request.body = std::move(body);
    return request;
}

HttpRequest Person::Page(const std::string& target) const {
    HttpRequest request;
    request.target = target;
    request.headers = {{"Cookie", cookie}};
    return request;
}

HttpRequest Person::Form(const std::string& path, const std::string& fields, bool withToken) const {
    HttpRequest request = Page(path);
    request.method = "POST";
    request.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
    request.body = fields;
    if (withToken)
        request.body += "&csrf=" + formToken;
    return request;
}

std::string FieldValue(const std::string& page, const std::string& name) {
    const std::string marker = "name=\"" + name + "\" value=\"";
    const auto start = page.find(marker);
    if (start == std::string::npos)
        return {};
    const auto end = page.find('"', start + marker.size());
    return page.substr(start + marker.size(), end - start - marker.size());
}

std::string SetCookie(const Response& response, const std::string& name) {
    const auto [first, last] = response.headers.equal_range("set-cookie");
    for (auto header = first; header != last; ++header) {
        if (header->second.starts_with(name + "="))
            return header->second.substr(0, header->second.find(';'));
    }
    return {};
}

Response PostSignIn(const ServiceProcess& service, const Credentials& credentials, const std::string& next) {
    HttpRequest form;
    form.target = "/signin";
    const Response page = Fetch(service.Port(), service.CaFile(), form);
    form.method = "POST";
    form.headers = {{"Cookie", SetCookie(page, "__Host-kavelo-signin")},
                    {"Content-Type", "application/x-www-form-urlencoded"}};
    form.body = "user=" + credentials.user + "&password=" + credentials.password + "&next=" + next +
                "&csrf=" + FieldValue(page.body, "csrf");
    return Fetch(service.Port(), service.CaFile(), form);
}

Person SignIn(const ServiceProcess& service, const Credentials& credentials) {
    const Response signedIn = PostSignIn(service, credentials);
    Person person{SetCookie(signedIn, "__Host-kavelo-session"), {}};
    if (signedIn.status != 303 || person.cookie.empty())
        throw std::runtime_error("signing in failed with status " + std::to_string(signedIn.status));
    person.formToken =
        FieldValue(Fetch(service.Port(), service.CaFile(), person.Page("/account")).body, "csrf");
    return person;
}

Person SignInFirst(const ServiceProcess& service) {
    if (!service.FirstAccount())
        throw std::runtime_error("the service printed no account");
    return SignIn(service, *service.FirstAccount());
}

std::string LinkNewId(const ServiceProcess& service, const Person& person) {
    const std::string linkId = NewLinkId();
    const Response response = Fetch(service.Port(), service.CaFile(), person.Form("/login", "eid=" + linkId));
    if (response.status != 200)
        throw std::runtime_error("linking failed with status " + std::to_string(response.status));
    return linkId;
}

std::string UploadImage(const ServiceProcess& service, const std::string& linkId, std::string_view jpeg,
                        const std::string& source) {
    TlsSettings settings;
    settings.source = source;
    const Response response =
        Fetch(service.Port(), service.CaFile(), UploadRequest(linkId, UploadBody(jpeg)), settings);
    if (response.status != 201)
        return {};
    const std::string prefix = "{\"id\":\"";
    const auto end = response.body.find('"', prefix.size());
    return response.body.starts_with(prefix) && end != std::string::npos
               ? response.body.substr(prefix.size(), end - prefix.size())
               : std::string();
}

} // namespace kavelo::test
