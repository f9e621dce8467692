#pragma once

// The menu as the user sees it, made from the registered menus and the module's string lists:
// item 1 of a command's list is the title of its menu and item 2 the command's text; a toolbar
// entry's list has one item, its text. The host's markup after the text ("^32104^E3": the icon
// and its options) is not shown. A prompt list is laid out as a command's list.

#include "HostState.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Workbench {

struct MenuEntry {
    Int16 menuId;
    bool toolbar;
    std::string title; // empty for a toolbar entry
    std::string text;
    std::string problem; // why the text is a stand-in; empty when the string list was fine
    std::string prompt;  // item 2 of the prompt list, shown while the entry is selected; may be empty
};

// Items of string list `id`, nullopt when the module has no such list; throws std::exception
// when the list is damaged.
using StringListSource = std::function<std::optional<std::vector<std::string>>(Int32 id)>;

std::string_view StripMenuMarkup(std::string_view text);

// Commands first, in registration order, then the toolbar entries.
std::vector<MenuEntry> BuildMenu(const std::vector<RegisteredMenu>& menus, const StringListSource& strings);

// The entry whose text is `text` (ignoring ASCII case), or null.
const MenuEntry* FindMenuEntry(const std::vector<MenuEntry>& entries, std::string_view text);

} // namespace Workbench
