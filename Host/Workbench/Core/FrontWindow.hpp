#pragma once

// The kinds of window the workbench can have in front, with the type numbers the current-window
// query answers for them (4, the 3D window, is the one add-ons test for).

#include "GSRoot/Definitions.hpp"

#include <optional>
#include <string_view>

namespace Workbench {

enum class WindowKind { FloorPlan, Section, Model3D, Layout };

// "plan", "section", "3d", "layout".
std::string_view WindowKindName(WindowKind kind);
std::optional<WindowKind> ParseWindowKind(std::string_view name);

// 1 floor plan, 2 section, 4 3D window, 5 layout.
Int32 WindowTypeId(WindowKind kind);

} // namespace Workbench
