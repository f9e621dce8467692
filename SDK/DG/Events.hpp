#pragma once

namespace DG {

class Panel;
class Item;

// Events are made by the library and handed to observers for the length of one notification.
class PanelEvent {
public:
    explicit PanelEvent(Panel* source);
    PanelEvent(const PanelEvent&) = delete;
    PanelEvent& operator=(const PanelEvent&) = delete;
    virtual ~PanelEvent();

    Panel* GetSource() const { return source; }

private:
    Panel* source;
};

class PanelOpenEvent : public PanelEvent {
public:
    explicit PanelOpenEvent(Panel* source);
    ~PanelOpenEvent() override;
};

class PanelCloseRequestEvent : public PanelEvent {
public:
    explicit PanelCloseRequestEvent(Panel* source);
    ~PanelCloseRequestEvent() override;
};

// The source is the item object bound to the clicked item: the one bound last, or an object of
// the library's own when the add-on bound none (as for texts and separators).
class ButtonClickEvent {
public:
    explicit ButtonClickEvent(Item* source);
    ButtonClickEvent(const ButtonClickEvent&) = delete;
    ButtonClickEvent& operator=(const ButtonClickEvent&) = delete;
    virtual ~ButtonClickEvent();

    Item* GetSource() const { return source; }

private:
    Item* source;
};

} // namespace DG
