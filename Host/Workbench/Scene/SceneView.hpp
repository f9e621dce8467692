#pragma once

// The workbench's 3D view: the built-in house scene rendered in software at the window's size, or
// a picture file standing in for it, saved as a JPEG file.

#include "DurableFile.hpp"
#include "RgbImage.hpp"
#include "ViewSize.hpp"

#include <filesystem>
#include <optional>

namespace Workbench::Scene {

using HostFiles::FileResult;

inline constexpr int jpegQuality = 90;

// The same size always gives the same pixels. Throws std::invalid_argument unless both sides are
// in 1..maxViewSide, and std::bad_alloc when memory runs out.
RgbImage RenderHouseScene(int width, int height);

struct ViewSource {
    ViewSize size = defaultViewSize;
    std::optional<std::filesystem::path> picture; // saved byte for byte instead of the scene
};

// Writes what the 3D window shows to `target` durably: the picture file unchanged, or the scene
// rendered at the view's size and encoded at jpegQuality. Never throws; every failure, from
// rendering to the last sync, comes back as an error text.
FileResult SaveView(const ViewSource& source, const std::filesystem::path& target);

} // namespace Workbench::Scene
