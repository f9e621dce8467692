#pragma once

// Host-side face of the dialog library, for the workbench and tests only; the add-on never sees
// it. The host presents dialogs and palettes through a driver each, feeds back the user's actions
// in modal dialogs and delivers the user's actions to palettes when it likes.

#include "DG/ModalDialog.hpp"
#include "GSRoot/Guid.hpp"
#include "RS/RS.hpp"

#include <cstddef>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
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

// A palette as the host sees it. Only palettes whose dialog loaded are shown to the host.
struct PaletteView {
    GS::Guid guid;
    DialogView dialog; // its items carry their enabled state
    bool visible = false;
    bool processingEvents = false;
    short dockState = 0; // the argument of the latest Show, unread by the library; 0 before any
};

enum class PaletteChange {
    Created, // hidden, processing no events
    Shown,   // also when shown again while visible
    Hidden,
    EventProcessingBegun,
    EventProcessingEnded,
    ItemsEnabled,
    ItemsDisabled,
    Destroyed // still as it was; it is no longer listed
};

// Shows modal dialogs to the user and reports what the user does. Called on the user-interface
// thread, from inside ModalDialog::Invoke.
class UIDriver {
public:
    virtual ~UIDriver() = default;

    virtual void DialogOpened(const DialogView& dialog) = 0;
    // Called until the dialog closes; the view carries the items' current state.
    virtual UserAction NextAction(const DialogView& dialog) = 0;
    virtual void DialogClosed(const DialogView& dialog, ModalDialog::ModalResponse response) = 0;
};

// Shows palettes: told every change of a palette, with the palette as it is afterwards. Called on
// the user-interface thread, from inside the palettes' operations.
class PaletteDriver {
public:
    virtual ~PaletteDriver() = default;

    virtual void PaletteChanged(const PaletteView& palette, PaletteChange change) = 0;
};

// Null removes that part of the user interface: dialogs then refuse to open, palettes change
// unseen. Each answers the previous driver. A driver must be removed before it is destroyed, also
// at exit.
UIDriver* SetUIDriver(UIDriver* driver);
PaletteDriver* SetPaletteDriver(PaletteDriver* driver);

// Presents dialogs and palettes with these drivers (either may be null) while it lives, then puts
// the previous ones back.
class DriverScope {
public:
    DriverScope(UIDriver* dialogs, PaletteDriver* palettes)
        : previousDialogs(SetUIDriver(dialogs)), previousPalettes(SetPaletteDriver(palettes)) {}
    ~DriverScope() {
        SetPaletteDriver(previousPalettes);
        SetUIDriver(previousDialogs);
    }
    DriverScope(const DriverScope&) = delete;
    DriverScope& operator=(const DriverScope&) = delete;

private:
    UIDriver* previousDialogs;
    PaletteDriver* previousPalettes;
};

// The live palettes, oldest first.
std::vector<PaletteView> ListPalettes();

// The user's actions on a palette, delivered to the newest live palette with `guid` while no modal
// dialog runs. They answer true when the palette's observers were told, which may destroy it; false,
// saying why on standard error, when no palette has `guid`, it is hidden, it processes no events or
// a modal dialog runs.
//
// A click on item `itemId`; also false when the palette has no such item, or it is disabled or a
// separator.
bool ClickPaletteItem(const GS::Guid& guid, short itemId);
// A close through the window control: the palette's observers are asked, and act on it themselves.
bool RequestPaletteClose(const GS::Guid& guid);

// Told, when set, of what the add-on does with the library's objects, one line per call, so that
// tests can check orders of construction and destruction (lines for panel 32590, item 2):
//   "Panel 32590 created", "Panel 32590 destroyed" (every panel, also modal dialogs),
//   "Button 2 created", "Button 2 destroyed",
//   "PanelObserver attached to 32590", "PanelObserver detached from 32590",
//   "ButtonItemObserver attached to button 2", "ButtonItemObserver detached from button 2",
//   "CompoundItemObserver attached to all items of 32590",
//   "CompoundItemObserver detached from all items of 32590",
//   "Palette 32590 shown with -32768", "Palette 32590 hidden",
//   "Palette 32590 began event processing", "Palette 32590 ended event processing".
// Lines are written whether or not the call changed anything. An empty observer stops the trace. The
// observer must not throw, and must be removed before what it refers to is destroyed, also at exit.
using TraceObserver = std::function<void(std::string_view line)>;
void SetTraceObserver(TraceObserver observer);

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
