#pragma once

#include "DG/Panel.hpp"

namespace DG {

namespace Detail {
class ModalState;
}

// A dialog run modally on the host's user interface. Invoke returns once a close request has been
// posted; closing the window (when no observer refuses) and a user interface that gives up
// answer Cancel.
class ModalDialog : public Panel {
public:
    enum ModalResponse { Accept = 1, Cancel = 2 };

    ModalDialog(GSResModule resModule, short resId, GSResModule dialogIconResModule);
    ~ModalDialog() override;

    // True when the dialog closed with Accept. False at once, without showing anything, when the
    // resource could not be loaded, no user interface is present or the dialog already runs.
    bool Invoke();
    // Ends the running Invoke with `response`; the first request of a run wins, and one made
    // while the dialog does not run is ignored.
    void PostCloseRequest(ModalResponse response);

private:
    Detail::ModalState* state;
};

} // namespace DG
