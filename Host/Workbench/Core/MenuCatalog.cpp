#include "MenuCatalog.hpp"

#include <algorithm>
#include <exception>

namespace Workbench {

namespace {

// A missing or damaged prompt only leaves the status bar empty.
std::string PromptFor(const RegisteredMenu& menu, const StringListSource& strings) {
    if (menu.promptId == 0)
        return {};
    try {
        const auto items = strings(menu.promptId);
        return items && items->size() >= 2 ? std::string(StripMenuMarkup((*items)[1])) : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

MenuEntry EntryFor(const RegisteredMenu& menu, const StringListSource& strings) {
    MenuEntry entry{menu.menuId, menu.placement == MenuCode_ToolBar, {}, {}, {}, PromptFor(menu, strings)};
    const std::size_t needed = entry.toolbar ? 1 : 2;
    try {
        const auto items = strings(menu.menuId);
        if (!items)
            entry.problem = "the module has no string list " + std::to_string(menu.menuId);
        else if (items->size() < needed)
            entry.problem = "string list " + std::to_string(menu.menuId) + " has " +
                            std::to_string(items->size()) + " item(s), " + std::to_string(needed) + " needed";
        else if (entry.toolbar)
            entry.text = StripMenuMarkup((*items)[0]);
        else {
            entry.title = (*items)[0];
            entry.text = StripMenuMarkup((*items)[1]);
        }
    } catch (const std::exception& error) {
        entry.problem = "string list " + std::to_string(menu.menuId) + " is damaged: " + error.what();
    }
    if (!entry.problem.empty())
        entry.text = "menu " + std::to_string(menu.menuId);
    return entry;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&lower](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

std::string_view StripMenuMarkup(std::string_view text) {
    return text.substr(0, text.find('^'));
}

std::vector<MenuEntry> BuildMenu(const std::vector<RegisteredMenu>& menus, const StringListSource& strings) {
    std::vector<MenuEntry> entries;
    for (const RegisteredMenu& menu : menus)
        entries.push_back(EntryFor(menu, strings));
    std::stable_partition(entries.begin(), entries.end(),
                          [](const MenuEntry& entry) { return !entry.toolbar; });
    return entries;
}

const MenuEntry* FindMenuEntry(const std::vector<MenuEntry>& entries, std::string_view text) {
    const auto found = std::find_if(entries.begin(), entries.end(), [text](const MenuEntry& entry) {
        return SameIgnoringCase(entry.text, text);
    });
    return found == entries.end() ? nullptr : &*found;
}

} // namespace Workbench
