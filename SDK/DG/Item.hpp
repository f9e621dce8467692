#pragma once

namespace DG {

class Panel;
class ButtonItemObserver;

namespace Detail {
class ItemImpl;
struct Access;
} // namespace Detail

// One item of a panel, by its id in the panel's dialog resource. An item object may outlive
// its panel; it is then bound to nothing.
class Item {
public:
    Item(const Panel& panel, short itemId);
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;
    virtual ~Item();

    short GetId() const;

private:
    friend struct Detail::Access;
    Detail::ItemImpl* impl;
};

// A push button. Clicks on the item reach every ButtonItemObserver attached to it, directly or
// through CompoundItemObserver::AttachToAllItems.
class Button : public Item {
public:
    Button(const Panel& panel, short itemId);
    ~Button() override;

    void Attach(ButtonItemObserver& observer);
    void Detach(ButtonItemObserver& observer);
};

} // namespace DG
