#include "FrontWindow.hpp"

#include "ACAPI/APIdefs.hpp"

#include <array>

namespace Workbench {

namespace {

struct KindInfo {
    WindowKind kind;
    std::string_view name;
    Int32 typeId;
};

constexpr std::array<KindInfo, 4> Kinds = {{
    {WindowKind::FloorPlan, "plan", 1},
    {WindowKind::Section, "section", 2},
    {WindowKind::Model3D, "3d", APIWind_3DModelID},
    {WindowKind::Layout, "layout", 5},
}};

const KindInfo& InfoOf(WindowKind kind) {
    return Kinds[static_cast<std::size_t>(kind)];
}

} // namespace

std::string_view WindowKindName(WindowKind kind) {
    return InfoOf(kind).name;
}

std::optional<WindowKind> ParseWindowKind(std::string_view name) {
    for (const KindInfo& info : Kinds) {
        if (info.name == name)
            return info.kind;
    }
    return std::nullopt;
}

Int32 WindowTypeId(WindowKind kind) {
    return InfoOf(kind).typeId;
}

} // namespace Workbench
