#pragma once

#include "RS/RS.hpp"

namespace DG {

class PanelObserver;

namespace Detail {
class PanelImpl;
struct Access;
} // namespace Detail

// A window built from a dialog resource: its items, its observers and their notifications.
// Objects of these classes are made inside add-on modules, which have their own runtime and
// allocator, so every byte the library allocates hangs off `impl` and is freed by the library.
class Panel {
public:
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;
    // Observers still attached are detached, items still bound are unbound.
    virtual ~Panel();

    // Observers are told in the order they were attached; attaching one twice has no effect.
    void Attach(PanelObserver& observer);
    void Detach(PanelObserver& observer);

    // Disabled items deliver no clicks.
    void EnableItems();
    void DisableItems();

protected:
    // Loads dialog `resId` ('GSDG' with its 'DLGH' item names) of `resModule`; item icons come
    // from `dialogIconResModule`. A resource that cannot be loaded leaves a panel without items,
    // which refuses to open and says why.
    Panel(GSResModule resModule, short resId, GSResModule dialogIconResModule);

private:
    friend struct Detail::Access;
    Detail::PanelImpl* impl;
};

} // namespace DG
