#pragma once

// The little JSON the transcript needs: one flat object per line, keys in insertion order.

#include <cstdint>
#include <string>
#include <string_view>

namespace Workbench {

// Appends `text` as a quoted JSON string. Valid UTF-8 passes through unchanged; every byte that is
// not part of a valid sequence becomes U+FFFD, so a line stays valid JSON whatever the module hands
// the host.
void AppendJsonString(std::string& out, std::string_view text);

class JsonObject {
public:
    JsonObject& Number(std::string_view key, std::int64_t value);
    JsonObject& String(std::string_view key, std::string_view value);
    JsonObject& Bool(std::string_view key, bool value);
    JsonObject& Null(std::string_view key);
    // Appends the members of `other` after this object's own.
    JsonObject& Members(const JsonObject& other);

    // The object's text, without a line end.
    std::string Text() const { return body + "}"; }

private:
    void Key(std::string_view key);

    std::string body = "{";
};

} // namespace Workbench
