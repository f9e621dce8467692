#pragma once

// The size of the 3D window in pixels, as the workbench's command line gives it ("1600x900").

#include <optional>
#include <string>
#include <string_view>

namespace Workbench::Scene {

struct ViewSize {
    int width = 0;
    int height = 0;

    bool operator==(const ViewSize&) const = default;
};

// A side of 8192 renders in about a second of processor time and under half a gigabyte.
inline constexpr int maxViewSide = 8192;
inline constexpr ViewSize defaultViewSize{1600, 900};

// "WIDTHxHEIGHT", each a whole number from 1 to maxViewSide written with digits only; nullopt and
// `error` saying what is wrong otherwise.
std::optional<ViewSize> ParseViewSize(std::string_view text, std::string& error);

} // namespace Workbench::Scene
