#include "DG/Palette.hpp"

namespace DG {

Palette::Palette(GSResModule resModule, short resId, GSResModule dialogIconResModule, const GS::Guid& guid)
    : Panel(resModule, resId, dialogIconResModule), ModelessBase(*this, guid) {}

Palette::~Palette() = default;

} // namespace DG
