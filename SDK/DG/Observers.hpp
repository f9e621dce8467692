#pragma once

namespace DG {

class Panel;
class PanelOpenEvent;
class PanelCloseRequestEvent;
class ButtonClickEvent;

namespace Detail {
class ObserverLinks;
struct Access;
} // namespace Detail

// Observers remember what they are attached to and leave it when they are destroyed, so they
// may be detached, or destroyed, in any order relative to their panels and items.

class PanelObserver {
public:
    PanelObserver();
    PanelObserver(const PanelObserver&) = delete;
    PanelObserver& operator=(const PanelObserver&) = delete;
    virtual ~PanelObserver();

    virtual void PanelOpened(const PanelOpenEvent& ev);
    // *accepted arrives true; leaving it true lets the panel close.
    virtual void PanelCloseRequested(const PanelCloseRequestEvent& ev, bool* accepted);

private:
    friend struct Detail::Access;
    Detail::ObserverLinks* links;
};

class ButtonItemObserver {
public:
    ButtonItemObserver();
    ButtonItemObserver(const ButtonItemObserver&) = delete;
    ButtonItemObserver& operator=(const ButtonItemObserver&) = delete;
    virtual ~ButtonItemObserver();

    virtual void ButtonClicked(const ButtonClickEvent& ev);

private:
    friend struct Detail::Access;
    Detail::ObserverLinks* links;
};

// Attaches the observer interfaces of the same object (ButtonItemObserver) to every item of a
// panel, whatever the item's kind.
class CompoundItemObserver {
public:
    CompoundItemObserver();
    CompoundItemObserver(const CompoundItemObserver&) = delete;
    CompoundItemObserver& operator=(const CompoundItemObserver&) = delete;
    virtual ~CompoundItemObserver();

    void AttachToAllItems(const Panel& panel);
    void DetachFromAllItems(const Panel& panel);
};

} // namespace DG
