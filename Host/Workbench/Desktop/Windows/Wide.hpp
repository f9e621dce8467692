#pragma once

// Texts from resources and scripts are UTF-8; Windows takes UTF-16.

#include <string>
#include <string_view>

namespace Desktop {

std::wstring Widen(std::string_view utf8);

} // namespace Desktop
