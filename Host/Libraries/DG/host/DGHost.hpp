#pragma once

// Host-side face of the dialog library, for the workbench and tests only; the add-on never sees
// it. The host presents dialogs through a user-interface driver and feeds back the user's actions.

#include "DG/ModalDialog.hpp"
#include "RS/RS.hpp"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace DG::Host {

enum class ItemKind : UInt16 { Button = 1, LeftText = 13, Separator = 15 };

// A button of this style shows an icon and no text.
constexpr UInt16 IconButtonStyle = 2;

struct Rect {
    UInt16 x = 0;
    UInt16 y = 0;
    UInt16 width = 0;
    UInt16 height = 0;

    bool operator==(const Rect&) const = default;
};

struct ItemView {
    short id = 0;
    ItemKind kind = ItemKind::Button;
    UInt16 style = 0;
    Rect rect;
    std::string text;   // text buttons and static texts
    GSResID iconId = 0; // icon buttons, from the dialog's icon resource module
    std::string name;   // from the item names; empty for an unnamed item
    bool enabled = true;

    bool IsIconButton() const { return kind == ItemKind::Button && style == IconButtonStyle; }
};

// A dialog as its resources describe it, with the items' current state.
struct DialogView {
    GSResModule resModule = InvalidResModule;
    GSResModule iconResModule = InvalidResModule;
    short resId = 0;
    UInt16 panelKind = 0;
    UInt16 flags = 0;
    Rect rect;
    std::string title;
    std::string name;            // the dialog's name in its item-name resource
    std::vector<ItemView> items; // items[i] has id i + 1

    // Null when the dialog has no item `id`.
    const ItemView* FindItem(short id) const;
};

struct UserAction {
    enum class Kind {
        Click, // on item `itemId`
        Close, // through the window control
        Abort  // the user interface has no answer
    };
    Kind kind = Kind::Abort;
    short itemId = 0;

    static UserAction Click(short item) { return {Kind::Click, item}; }
    static UserAction Close() { return {Kind::Close, 0}; }
    static UserAction Abort() { return {Kind::Abort, 0}; }
};

// Shows dialogs to the user and reports what the user does. Called on the user-interface thread,
// from inside ModalDialog::Invoke.
class UIDriver {
public:
    virtual ~UIDriver() = default;

    virtual void DialogOpened(const DialogView& dialog) = 0;
    // Called until the dialog closes; the view carries the items' current state.
    virtual UserAction NextAction(const DialogView& dialog) = 0;
    virtual void DialogClosed(const DialogView& dialog, ModalDialog::ModalResponse response) = 0;
};

// Null removes the user interface: dialogs then refuse to open. Answers the previous driver.
UIDriver* SetUIDriver(UIDriver* driver);

class DialogResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A dialog from the bytes of its 'GSDG' resource and of the 'DLGH' resource that names its items.
// The module fields and resId stay unset. Throws DialogResourceError saying what is wrong.
DialogView ParseDialogResource(std::span<const std::byte> gsdg, std::span<const std::byte> dlgh);

// Dialog `resId` of a resource module registered with RS. Throws DialogResourceError when the
// module is not registered, a resource is missing or malformed.
DialogView LoadDialog(GSResModule resModule, short resId, GSResModule iconResModule);

} // namespace DG::Host
