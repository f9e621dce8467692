#pragma once

#include "GSRoot/Guid.hpp"

namespace DG {

// The placement that shows a modeless window where it was last.
constexpr short KeepPosition = -32768;

class Panel;

namespace Detail {
class ModelessImpl;
struct Access;
} // namespace Detail

// A window that lives beside the host's own and runs no loop: the host delivers its events when it
// likes, and only while the window is shown and processes events. Hiding it and ending its event
// processing keep the object, and either may be undone.
class ModelessBase {
public:
    ModelessBase(const ModelessBase&) = delete;
    ModelessBase& operator=(const ModelessBase&) = delete;
    // Leaves the host's list of windows; the window is not hidden first.
    virtual ~ModelessBase();

    // `dockState` is the host's placement code, passed on to the host's user interface unread.
    // A window whose dialog resource could not be loaded is never shown, and says why.
    void Show(short dockState);
    void Hide();
    bool IsVisible() const;

    void BeginEventProcessing();
    void EndEventProcessing();

protected:
    // `panel` is the window's own panel, which outlives this base; `guid` names the window to the host.
    ModelessBase(Panel& panel, const GS::Guid& guid);

private:
    friend struct Detail::Access;
    Detail::ModelessImpl* impl;
};

} // namespace DG
