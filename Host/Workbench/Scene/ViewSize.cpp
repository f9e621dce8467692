#include "ViewSize.hpp"

#include <algorithm>

namespace Workbench::Scene {

namespace {

std::optional<int> ParseSide(std::string_view digits, const char* name, std::string& error) {
    if (digits.empty()) {
        error = std::string("the ") + name + " is missing";
        return std::nullopt;
    }
    // Saturates just past the limit, so no count of digits can overflow.
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            error = std::string("the ") + name + " \"" + std::string(digits) + "\" is not a whole number";
            return std::nullopt;
        }
        value = std::min(value * 10 + (c - '0'), maxViewSide + 1);
    }
    if (value < 1) {
        error = std::string("the ") + name + " must be at least 1";
        return std::nullopt;
    }
    if (value > maxViewSide) {
        error = std::string("the ") + name + " " + std::string(digits) + " is larger than " +
                std::to_string(maxViewSide);
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<ViewSize> ParseViewSize(std::string_view text, std::string& error) {
    const auto fail = [&](const std::string& reason) {
        error = "view size \"" + std::string(text) + "\": " + reason;
        return std::nullopt;
    };
    const std::size_t separator = text.find('x');
    if (separator == std::string_view::npos)
        return fail("expected WIDTHxHEIGHT in pixels, e.g. " + std::to_string(defaultViewSize.width) + "x" +
                    std::to_string(defaultViewSize.height));
    std::string reason;
    const auto width = ParseSide(text.substr(0, separator), "width", reason);
    const auto height = width ? ParseSide(text.substr(separator + 1), "height", reason) : std::nullopt;
    if (!height)
        return fail(reason);
    return ViewSize{*width, *height};
}

} // namespace Workbench::Scene
