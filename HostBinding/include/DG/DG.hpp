#pragma once

// The host's dialog library: panels built from dialog resources, their items and observers.

#include "DG/Events.hpp"
#include "DG/Item.hpp"
#include "DG/ModalDialog.hpp"
#include "DG/Observers.hpp"
#include "DG/Panel.hpp"
