#pragma once

// The host's dialog library: modal dialogs and palettes built from dialog resources, their items
// and observers.

#include "DG/Events.hpp"
#include "DG/Item.hpp"
#include "DG/ModalDialog.hpp"
#include "DG/ModelessBase.hpp"
#include "DG/Observers.hpp"
#include "DG/Palette.hpp"
#include "DG/Panel.hpp"
