#include "MenuCatalog.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>

namespace {

using namespace Workbench;

struct Lists {
    std::map<Int32, std::vector<std::string>> lists;
    std::set<Int32> damaged;

    StringListSource Source() const {
        return [this](Int32 id) -> std::optional<std::vector<std::string>> {
            if (damaged.count(id) != 0)
                throw std::runtime_error("byte count 9 does not match");
            const auto found = lists.find(id);
            if (found == lists.end())
                return std::nullopt;
            return found->second;
        };
    }
};

TEST(WorkbenchMenuMarkup, CutsAtTheFirstCaret) {
    EXPECT_EQ(StripMenuMarkup("Open toolbar^32104^E3"), "Open toolbar");
    EXPECT_EQ(StripMenuMarkup("KAVELO toolbar^32101^E3"), "KAVELO toolbar");
    EXPECT_EQ(StripMenuMarkup("No markup"), "No markup");
    EXPECT_EQ(StripMenuMarkup("^E3"), "");
}

TEST(WorkbenchMenuCatalog, CommandsInRegistrationOrderThenToolbarEntries) {
    Lists strings;
    strings.lists = {{32511, {"KAVELO", "Open toolbar^32104^E3"}},
                     {32530, {"KAVELO", "Opens the toolbar^E3"}},
                     {32540, {"KAVELO toolbar^32101^E3"}},
                     {32514, {"KAVELO", "Open live connection^32103^E3"}},
                     {32513, {"KAVELO", "Unlink account^32102^E3"}}};
    const std::vector<RegisteredMenu> menus = {
        {32511, 32530, 0, 0}, {32540, 0, MenuCode_ToolBar, 0}, {32514, 0, 0, 0}, {32513, 0, 0, 0}};

    const auto entries = BuildMenu(menus, strings.Source());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].menuId, 32511);
    EXPECT_EQ(entries[0].title, "KAVELO");
    EXPECT_EQ(entries[0].text, "Open toolbar");
    EXPECT_EQ(entries[0].prompt, "Opens the toolbar");
    EXPECT_EQ(entries[1].menuId, 32514);
    EXPECT_EQ(entries[1].prompt, "");
    EXPECT_EQ(entries[2].menuId, 32513);
    EXPECT_EQ(entries[2].text, "Unlink account");
    EXPECT_EQ(entries[3].menuId, 32540);
    EXPECT_TRUE(entries[3].toolbar);
    EXPECT_EQ(entries[3].title, "");
    EXPECT_EQ(entries[3].text, "KAVELO toolbar");
    for (const auto& entry : entries)
        EXPECT_EQ(entry.problem, "") << entry.menuId;
}

TEST(WorkbenchMenuCatalog, MissingShortOrDamagedListsFallBackToTheId) {
    Lists strings;
    strings.lists = {{100, {"Only a title"}}, {101, {}}};
    strings.damaged = {102};
    // Prompts that are missing, short or damaged are only left out.
    const std::vector<RegisteredMenu> menus = {
        {99, 98, 0, 0}, {100, 101, 0, 0}, {101, 0, MenuCode_ToolBar, 0}, {102, 102, 0, 0}};

    const auto entries = BuildMenu(menus, strings.Source());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].text, "menu 99");
    EXPECT_EQ(entries[0].problem, "the module has no string list 99");
    EXPECT_EQ(entries[1].text, "menu 100");
    EXPECT_EQ(entries[1].problem, "string list 100 has 1 item(s), 2 needed");
    EXPECT_EQ(entries[2].text, "menu 102");
    EXPECT_EQ(entries[2].problem, "string list 102 is damaged: byte count 9 does not match");
    EXPECT_EQ(entries[3].text, "menu 101");
    EXPECT_EQ(entries[3].problem, "string list 101 has 0 item(s), 1 needed");
    for (const auto& entry : entries)
        EXPECT_EQ(entry.prompt, "") << entry.menuId;
}

TEST(WorkbenchMenuCatalog, FindsEntriesByTextIgnoringCase) {
    const std::vector<MenuEntry> entries = {{1, false, "K", "Open toolbar", "", ""},
                                            {2, true, "", "KAVELO toolbar", "", ""}};
    EXPECT_EQ(FindMenuEntry(entries, "open TOOLBAR"), &entries[0]);
    EXPECT_EQ(FindMenuEntry(entries, "KAVELO toolbar"), &entries[1]);
    EXPECT_EQ(FindMenuEntry(entries, "Open"), nullptr);
    EXPECT_EQ(FindMenuEntry(entries, "Open toolbar "), nullptr);
}

} // namespace
