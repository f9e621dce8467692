#pragma once

// What the RS test module's resource section holds (written by RSMakeTestBlob).

#include <cstdint>
#include <string>
#include <vector>

namespace RSTest::TestModule {

constexpr std::int16_t Strings = 32000;
constexpr std::int16_t Malformed = 100;
constexpr std::int16_t FrenchOnly = 101;

// Item 2 is UTF-8 ("Café – 5 €"); item 3 is empty.
inline const std::vector<std::string> StringItems = {"KAVELO", "Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC", ""};

} // namespace RSTest::TestModule
