#pragma once

#include <cstddef>
#include <string>
#include <variant>

namespace kavelo {

// What the add-on posts: {"image":"data:image/jpeg;base64,…","name":"…","source":"…"}.
struct Upload {
    std::string jpeg; // the decoded picture
    std::string name;
    std::string source;
};

// Spare capacity past the end of a body that lets the JSON parser read it in place; a body that
// arrives with less is copied once.
constexpr std::size_t kUploadBodyPadding = 64;

// The upload in `body`, or a short message that says what is wrong with it.
std::variant<Upload, std::string> ReadUpload(std::string& body);

} // namespace kavelo
