#pragma once

// The resources of one source, as written, before they are encoded.

#include "Diagnostics.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace ResourceCompiler {

struct StringList {
    Location where;
    std::int32_t id = 0;
    std::vector<std::string> items; // item 1 first
};

struct Rect {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

enum class ItemKind { Button, IconButton, LeftText, Separator };

struct DialogItem {
    Location where;
    ItemKind kind = ItemKind::Button;
    std::uint16_t style = 0;
    Rect rect;
    std::string text;        // Button and LeftText
    std::int32_t iconId = 0; // IconButton
};

struct Dialog {
    Location where;
    std::int32_t id = 0;
    std::string title;
    std::uint16_t panelKind = 0;
    std::uint16_t flags = 0;
    Rect rect;
    std::vector<DialogItem> items; // item 1 first
};

struct ItemName {
    Location where;
    std::uint16_t itemId = 0;
    std::string name;
};

struct DialogItemNames {
    Location where;
    std::int32_t id = 0;
    std::string dialogName;
    std::vector<ItemName> items;
};

struct ModuleIdentity {
    Location where;
    std::int32_t id = 0;
    std::uint32_t developerId = 0;
    std::uint32_t addOnId = 0;
};

// One picture in two resolutions: <baseName>-<size>.png and <baseName>-<2 * size>.png.
struct Icon {
    Location where;
    std::int32_t id = 0;
    std::string baseName;
    std::uint16_t size = 0;
};

struct ResourceScript {
    std::vector<StringList> stringLists;
    std::vector<Dialog> dialogs;
    std::vector<DialogItemNames> itemNames;
    std::vector<ModuleIdentity> identities;
    std::vector<Icon> icons;
};

} // namespace ResourceCompiler
