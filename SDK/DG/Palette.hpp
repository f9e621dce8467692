#pragma once

#include "DG/ModelessBase.hpp"
#include "DG/Panel.hpp"

namespace DG {

// A floating modeless window built from a dialog resource. It starts hidden, processing no events.
// Closing it through its window control only asks its panel observers (PanelCloseRequested); the
// library neither hides nor destroys it on its own.
class Palette : public Panel, public ModelessBase {
public:
    Palette(GSResModule resModule, short resId, GSResModule dialogIconResModule, const GS::Guid& guid);
    ~Palette() override;
};

} // namespace DG
