#pragma once

#include "DGHost.hpp"

namespace DG::Detail {

// The driver set with Host::SetUIDriver, or null.
Host::UIDriver* CurrentUIDriver();

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
