#include "Validate.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace ResourceCompiler {

namespace {

template <typename Resource>
void CheckUnique(const std::vector<Resource>& resources, std::string_view type) {
    std::map<std::int32_t, const Location*> seen;
    for (const Resource& resource : resources) {
        const auto [previous, inserted] = seen.emplace(resource.id, &resource.where);
        if (!inserted)
            throw CompileError(resource.where, "'" + std::string(type) + "' " + std::to_string(resource.id) +
                                                   " is already defined at " + previous->second->file + ":" +
                                                   std::to_string(previous->second->line));
    }
}

std::set<std::int32_t> IconIds(const ResourceScript& script) {
    std::set<std::int32_t> ids;
    for (const Icon& icon : script.icons)
        ids.insert(icon.id);
    return ids;
}

// Menu-string markup names an icon as "^<id>" (e.g. "Export^32105^E3").
void CheckMenuIcons(const StringList& list, const std::set<std::int32_t>& icons) {
    for (const std::string& item : list.items) {
        for (std::size_t caret = item.find('^'); caret != std::string::npos;
             caret = item.find('^', caret + 1)) {
            const std::size_t end = std::min(item.find_first_not_of("0123456789", caret + 1), item.size());
            const std::string digits = item.substr(caret + 1, end - caret - 1);
            if (!digits.empty() && (digits.size() > 5 || !icons.contains(std::stoi(digits))))
                throw CompileError(list.where, "string list " + std::to_string(list.id) + " refers to icon " +
                                                   digits + ", which no 'GICN' defines");
        }
    }
}

void CheckDialogIcons(const Dialog& dialog, const std::set<std::int32_t>& icons) {
    for (const DialogItem& item : dialog.items)
        if (item.kind == ItemKind::IconButton && !icons.contains(item.iconId))
            throw CompileError(item.where,
                               "icon " + std::to_string(item.iconId) + " is not defined by any 'GICN'");
}

void CheckItemNames(const DialogItemNames& names, const Dialog& dialog) {
    std::set<std::uint16_t> named;
    for (const ItemName& item : names.items) {
        if (item.itemId > dialog.items.size())
            throw CompileError(item.where, "dialog " + std::to_string(dialog.id) + " has no item " +
                                               std::to_string(item.itemId) + " (it has " +
                                               std::to_string(dialog.items.size()) + ")");
        if (!named.insert(item.itemId).second)
            throw CompileError(item.where, "item " + std::to_string(item.itemId) + " is named twice");
    }
}

void CheckPairs(const ResourceScript& script) {
    std::map<std::int32_t, const Dialog*> dialogs;
    for (const Dialog& dialog : script.dialogs)
        dialogs.emplace(dialog.id, &dialog);
    std::set<std::int32_t> named;
    for (const DialogItemNames& names : script.itemNames) {
        const auto dialog = dialogs.find(names.id);
        if (dialog == dialogs.end())
            throw CompileError(names.where, "'DLGH' " + std::to_string(names.id) +
                                                " names the items of a dialog "
                                                "that no 'GSDG' defines");
        CheckItemNames(names, *dialog->second);
        named.insert(names.id);
    }
    for (const Dialog& dialog : script.dialogs)
        if (!named.contains(dialog.id))
            throw CompileError(dialog.where,
                               "dialog " + std::to_string(dialog.id) + " has no 'DLGH' item names");
}

} // namespace

void Validate(const ResourceScript& script) {
    CheckUnique(script.stringLists, "STRS");
    CheckUnique(script.dialogs, "GSDG");
    CheckUnique(script.itemNames, "DLGH");
    CheckUnique(script.identities, "MDID");
    CheckUnique(script.icons, "GICN");

    const std::set<std::int32_t> icons = IconIds(script);
    for (const StringList& list : script.stringLists)
        CheckMenuIcons(list, icons);
    for (const Dialog& dialog : script.dialogs)
        CheckDialogIcons(dialog, icons);
    CheckPairs(script);
}

} // namespace ResourceCompiler
