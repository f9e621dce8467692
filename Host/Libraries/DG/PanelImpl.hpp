#pragma once

// What a panel holds: its dialog as loaded, its items' observers and objects, and its own
// observers. Notifications walk copies of the observer lists, so observers may attach, detach or
// be destroyed from inside a callback; one that is detached before its turn is not called.

#include "DGHost.hpp"
#include "Links.hpp"

#include <memory>
#include <string>
#include <vector>

namespace DG::Detail {

class ModelessImpl;
class PanelImpl;

class ItemImpl {
public:
    ItemImpl(PanelImpl* itemPanel, short itemId) : panel(itemPanel), id(itemId) {}

    PanelImpl* panel; // null once the panel is gone
    const short id;
};

class PanelImpl {
public:
    PanelImpl(Panel& owner, GSResModule resModule, short resId, GSResModule iconResModule);
    PanelImpl(const PanelImpl&) = delete;
    PanelImpl& operator=(const PanelImpl&) = delete;
    ~PanelImpl();

    bool IsLoaded() const { return loadError.empty(); }
    const std::string& LoadError() const { return loadError; }
    // "dialog 32520 of resource module 1", for messages.
    std::string Describe() const;
    const Host::DialogView& View() const { return view; }
    Panel& Owner() const { return owner; }

    // False from the moment the panel starts being destroyed; lets a caller that made a callback
    // find out whether the callback destroyed the panel.
    std::shared_ptr<const bool> AliveFlag() const { return alive; }

    void Attach(PanelObserver& observer) { observers.Attach(observer); }
    void Detach(PanelObserver& observer) { observers.Detach(observer); }
    void AttachToItem(short itemId, ButtonItemObserver& observer);
    void DetachFromItem(short itemId, ButtonItemObserver& observer);
    void AttachToAllItems(ButtonItemObserver& observer);
    void DetachFromAllItems(ButtonItemObserver& observer);
    // A modeless window hears of it.
    void SetItemsEnabled(bool enabled);
    // The modeless window made of this panel, or null; it tells the panel when it goes.
    void SetModeless(ModelessImpl* window) { modeless = window; }

    void Bind(Item& item);
    void Unbind(Item& item);

    void NotifyOpened();
    // True when no observer refused the close.
    bool RequestClose();
    // Clicks on separators, on disabled items and on items the dialog does not have are dropped,
    // saying why on standard error. True when the item's observers were told.
    bool Click(short itemId);

private:
    struct ItemSlot {
        ObserverList<ButtonItemObserver> observers;
        std::unique_ptr<Item> own; // the click source when no other object is bound to the item
    };

    ItemSlot* Slot(short itemId);
    Item& ClickSource(short itemId, ItemSlot& slot);

    template <typename Observer, typename Call>
    void Notify(ObserverList<Observer>& list, const Call& call) const {
        const std::shared_ptr<const bool> stillAlive = alive;
        for (Observer* observer : list.Snapshot()) {
            if (!*stillAlive)
                return;
            if (list.IsAttached(*observer))
                call(*observer);
        }
    }

    Panel& owner;
    std::string loadError; // empty when the dialog loaded
    Host::DialogView view;
    std::vector<ItemSlot> slots; // slots[i] is item i + 1
    std::vector<Item*> bound;    // oldest first
    ObserverList<PanelObserver> observers;
    ModelessImpl* modeless = nullptr;
    std::shared_ptr<bool> alive;
};

} // namespace DG::Detail
