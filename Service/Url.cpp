#include "Url.hpp"

namespace kavelo {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

Target SplitTarget(std::string_view target) {
    const auto mark = target.find('?');
    if (mark == std::string_view::npos)
        return {target, {}};
    return {target.substr(0, mark), target.substr(mark + 1)};
}

std::optional<std::string> FormValue(std::string_view form, std::string_view key) {
    while (!form.empty()) {
        const auto end = form.find('&');
        const std::string_view pair = form.substr(0, end);
        form = end == std::string_view::npos ? std::string_view{} : form.substr(end + 1);
        const auto equals = pair.find('=');
        const std::string_view name = pair.substr(0, equals);
        if (name == key)
            return Decode(equals == std::string_view::npos ? std::string_view{} : pair.substr(equals + 1));
    }
    return std::nullopt;
}

} // namespace kavelo
