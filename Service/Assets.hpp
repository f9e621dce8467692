#pragma once

#include <optional>
#include <string_view>

namespace kavelo {

struct Asset {
    std::string_view contentType;
    std::string_view body;
};

// The style sheet and the live view's script, served under /assets/.
std::optional<Asset> FindAsset(std::string_view path);

} // namespace kavelo
