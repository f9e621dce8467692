#pragma once

#include "DGHost.hpp"

namespace DG::Detail {

// The drivers set with Host::SetUIDriver and Host::SetPaletteDriver, or null.
Host::UIDriver* CurrentUIDriver();
Host::PaletteDriver* CurrentPaletteDriver();

// Counts itself among the modal dialogs running while it lives; palettes take no events meanwhile.
class ModalRun {
public:
    ModalRun();
    ModalRun(const ModalRun&) = delete;
    ModalRun& operator=(const ModalRun&) = delete;
    ~ModalRun();
};

bool ModalDialogRunning();

} // namespace DG::Detail
