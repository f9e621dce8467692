#include "DGHost.hpp"
#include "TestResources.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using DG::Host::DialogResourceError;
using DG::Host::DialogView;
using DG::Host::ItemKind;
using DG::Host::ItemView;
using testing::HasSubstr;
using testing::StartsWith;

using Bytes = std::vector<std::byte>;

// Little-endian resource bytes, written field by field.
class Writer {
public:
    Writer& U8(unsigned value) {
        bytes.push_back(std::byte(value & 0xFF));
        return *this;
    }
    Writer& U16(unsigned value) { return U8(value).U8(value >> 8); }
    Writer& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
    Writer& Chars(const std::string& text) {
        for (char c : text)
            U8(static_cast<unsigned char>(c));
        return *this;
    }
    Writer& Text(const std::string& text) { return Chars(text).U8(0); }
    Writer& Rect(unsigned x, unsigned y, unsigned width, unsigned height) {
        return U16(x).U16(y).U16(width).U16(height);
    }

    Writer& TextItem(unsigned id, unsigned kind, unsigned style, const std::string& text) {
        return U16(id).U16(kind).U16(style).Rect(1, 2, 3, 4).U16(0).U16(0).Text(text);
    }
    Writer& IconItem(unsigned id, unsigned icon) {
        return U16(id).U16(1).U16(2).Rect(5, 6, 7, 8).U16(0).U16(icon);
    }
    Writer& SeparatorItem(unsigned id) { return U16(id).U16(15).U16(0).Rect(9, 10, 11, 12); }

    // The body behind its 32-bit byte count.
    Bytes Counted() const {
        Writer out;
        out.U32(static_cast<std::uint32_t>(bytes.size()));
        out.bytes.insert(out.bytes.end(), bytes.begin(), bytes.end());
        return out.bytes;
    }

private:
    Bytes bytes;
};

Writer DialogHeader(unsigned itemCount, const std::string& title = "Sample") {
    Writer body;
    body.U16(4).U16(0).Rect(40, 41, 345, 128).Text(title).U16(itemCount);
    return body;
}

// One item of every kind the format knows.
Bytes SampleDialog() {
    return DialogHeader(4)
        .TextItem(1, 1, 7, "OK")
        .IconItem(2, 32105)
        .SeparatorItem(3)
        .TextItem(4, 13, 0, "Hello")
        .Counted();
}

Bytes SampleNames() {
    return Writer()
        .Text("DLG_Sample")
        .U16(2)
        .U16(1)
        .U8(0)
        .Text("Button_0")
        .U16(4)
        .U8(0)
        .Text("LeftText_0")
        .Counted();
}

std::string Describe(const ItemView& item) {
    return std::to_string(item.id) + " kind " + std::to_string(unsigned(item.kind)) + " style " +
           std::to_string(item.style) + " at " + std::to_string(item.rect.x) + "," +
           std::to_string(item.rect.y) + " size " + std::to_string(item.rect.width) + "x" +
           std::to_string(item.rect.height) + " \"" + item.text + "\" icon " + std::to_string(item.iconId) +
           " name \"" + item.name + "\"" + (item.enabled ? "" : " disabled");
}

std::vector<std::string> DescribeItems(const DialogView& dialog) {
    std::vector<std::string> items;
    for (const ItemView& item : dialog.items)
        items.push_back(Describe(item));
    return items;
}

// The reason ParseDialogResource gives, or "" when it accepts the bytes.
std::string Refusal(const Bytes& gsdg, const Bytes& dlgh = SampleNames()) {
    try {
        DG::Host::ParseDialogResource(gsdg, dlgh);
        return "";
    } catch (const DialogResourceError& error) {
        return error.what();
    }
}

// The first `size` bytes, with the byte count rewritten to cover them, so that the parser has
// to notice the missing fields themselves.
Bytes RecountedPrefix(const Bytes& resource, std::size_t size) {
    Bytes prefix(resource.begin(), resource.begin() + static_cast<std::ptrdiff_t>(size));
    const auto count = static_cast<std::uint32_t>(size - 4);
    for (std::size_t i = 0; i < 4; ++i)
        prefix[i] = std::byte((count >> (8 * i)) & 0xFF);
    return prefix;
}

TEST(ParseDialogResource, ReadsEveryItemKindAndTheNames) {
    const DialogView dialog = DG::Host::ParseDialogResource(SampleDialog(), SampleNames());

    EXPECT_EQ(dialog.panelKind, 4);
    EXPECT_EQ(dialog.flags, 0);
    EXPECT_EQ(dialog.rect, (DG::Host::Rect{40, 41, 345, 128}));
    EXPECT_EQ(dialog.title, "Sample");
    EXPECT_EQ(dialog.name, "DLG_Sample");
    EXPECT_THAT(
        DescribeItems(dialog),
        testing::ElementsAre("1 kind 1 style 7 at 1,2 size 3x4 \"OK\" icon 0 name \"Button_0\"",
                             "2 kind 1 style 2 at 5,6 size 7x8 \"\" icon 32105 name \"\"",
                             "3 kind 15 style 0 at 9,10 size 11x12 \"\" icon 0 name \"\"",
                             "4 kind 13 style 0 at 1,2 size 3x4 \"Hello\" icon 0 name \"LeftText_0\""));
    EXPECT_TRUE(dialog.items[1].IsIconButton());
    EXPECT_FALSE(dialog.items[0].IsIconButton());
    EXPECT_EQ(dialog.FindItem(4), &dialog.items[3]);
    EXPECT_EQ(dialog.FindItem(0), nullptr);
    EXPECT_EQ(dialog.FindItem(5), nullptr);
}

TEST(ParseDialogResource, AcceptsADialogWithoutItems) {
    const DialogView dialog =
        DG::Host::ParseDialogResource(DialogHeader(0, "").Counted(), Writer().Text("Empty").U16(0).Counted());
    EXPECT_TRUE(dialog.items.empty());
    EXPECT_EQ(dialog.title, "");
    EXPECT_EQ(dialog.name, "Empty");
}

TEST(ParseDialogResource, RefusesEveryTruncationOfTheDialog) {
    const Bytes whole = SampleDialog();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE("truncated to " + std::to_string(size) + " bytes");
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_THAT(Refusal(prefix),
                    StartsWith(size < 4 ? "'GSDG': " + std::to_string(size) + " bytes, too short"
                                        : "'GSDG': byte count "));
        if (size >= 4) {
            EXPECT_THAT(Refusal(RecountedPrefix(whole, size)), StartsWith("'GSDG': "));
        }
    }
}

TEST(ParseDialogResource, RefusesEveryTruncationOfTheNames) {
    const Bytes whole = SampleNames();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE("truncated to " + std::to_string(size) + " bytes");
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_THAT(Refusal(SampleDialog(), prefix), StartsWith("'DLGH': "));
        if (size >= 4) {
            EXPECT_THAT(Refusal(SampleDialog(), RecountedPrefix(whole, size)), StartsWith("'DLGH': "));
        }
    }
}

TEST(ParseDialogResource, NamesTheFieldThatRunsPastTheEnd) {
    const Bytes whole = SampleDialog();
    EXPECT_EQ(Refusal(RecountedPrefix(whole, 5)), "'GSDG': ends at byte 5 inside the panel kind");
    EXPECT_EQ(Refusal(RecountedPrefix(whole, 15)), "'GSDG': ends at byte 15 inside the dialog rectangle");
    EXPECT_THAT(
        Refusal(
            DialogHeader(2).TextItem(1, 13, 0, "a text long enough for two records").U16(2).U16(1).Counted()),
        HasSubstr("inside the style of item 2"));
    EXPECT_THAT(Refusal(DialogHeader(1).U16(1).U16(1).U16(2).Rect(0, 0, 1, 1).U16(0).Counted()),
                HasSubstr("inside the icon id of item 1"));
}

TEST(ParseDialogResource, RefusesCountsThatDoNotFit) {
    EXPECT_EQ(Refusal(DialogHeader(0xFFFF).TextItem(1, 1, 7, "OK").Counted()),
              "'GSDG': item count 65535 exceeds the largest item id, 32767");
    EXPECT_EQ(Refusal(DialogHeader(32767).TextItem(1, 1, 7, "OK").Counted()),
              "'GSDG': item count 32767 does not fit in the 21 bytes that remain");
    EXPECT_EQ(Refusal(DialogHeader(2).SeparatorItem(1).Counted()),
              "'GSDG': item count 2 does not fit in the 14 bytes that remain");
    EXPECT_EQ(Refusal(SampleDialog(), Writer().Text("DLG").U16(0xFFFF).U16(1).U8(0).Text("A").Counted()),
              "'DLGH': named-item count 65535 does not fit in the 5 bytes that remain");
}

TEST(ParseDialogResource, RefusesUnterminatedTexts) {
    Writer title;
    title.U16(4).U16(0).Rect(0, 0, 10, 10).Chars("Sample");
    EXPECT_EQ(Refusal(title.Counted()), "'GSDG': the title is not terminated within the resource");

    Writer text = DialogHeader(1);
    text.U16(1).U16(13).U16(0).Rect(0, 0, 1, 1).U16(0).U16(0).Chars("Hello");
    EXPECT_EQ(Refusal(text.Counted()), "'GSDG': the text of item 1 is not terminated within the resource");

    EXPECT_EQ(Refusal(SampleDialog(), Writer().Chars("DLG").Counted()),
              "'DLGH': the dialog name is not terminated within the resource");
    EXPECT_EQ(Refusal(SampleDialog(), Writer().Text("DLG").U16(1).U16(1).U8(0).Chars("Button").Counted()),
              "'DLGH': the name of named item 1 is not terminated within the resource");
}

TEST(ParseDialogResource, RefusesItemsOutOfOrder) {
    EXPECT_EQ(Refusal(DialogHeader(2).SeparatorItem(1).SeparatorItem(3).Counted()),
              "'GSDG': record 2 has item id 3; items must be numbered 1, 2, ... in order");
    EXPECT_THAT(Refusal(DialogHeader(2).SeparatorItem(2).SeparatorItem(1).Counted()),
                HasSubstr("record 1 has item id 2"));
    EXPECT_THAT(Refusal(DialogHeader(1).SeparatorItem(0).Counted()), HasSubstr("record 1 has item id 0"));
}

TEST(ParseDialogResource, RefusesMalformedItems) {
    EXPECT_EQ(Refusal(DialogHeader(1).U16(1).U16(9).U16(0).Rect(0, 0, 1, 1).Counted()),
              "'GSDG': item 1 has unknown kind 9");
    EXPECT_EQ(
        Refusal(DialogHeader(1).U16(1).U16(1).U16(7).Rect(0, 0, 1, 1).U16(5).U16(0).Text("OK").Counted()),
        "'GSDG': the first reserved word of item 1 is 5, not 0");
    EXPECT_EQ(
        Refusal(DialogHeader(1).U16(1).U16(13).U16(0).Rect(0, 0, 1, 1).U16(0).U16(6).Text("A").Counted()),
        "'GSDG': the second reserved word of item 1 is 6, not 0");
    EXPECT_EQ(Refusal(DialogHeader(1).U16(1).U16(1).U16(2).Rect(0, 0, 1, 1).U16(3).U16(32105).Counted()),
              "'GSDG': the first reserved word of item 1 is 3, not 0");
    EXPECT_EQ(Refusal(DialogHeader(1).SeparatorItem(1).U8(0).U8(0).Counted()),
              "'GSDG': 2 bytes follow the last item");
}

TEST(ParseDialogResource, RefusesMalformedItemNames) {
    const auto names = [](unsigned id, unsigned zero, const std::string& name) {
        return Writer().Text("DLG").U16(1).U16(id).U8(zero).Text(name).Counted();
    };
    EXPECT_EQ(Refusal(SampleDialog(), names(5, 0, "X")),
              "'DLGH': named item 1 names item 5, which the dialog does not have");
    EXPECT_EQ(Refusal(SampleDialog(), names(0, 0, "X")),
              "'DLGH': named item 1 names item 0, which the dialog does not have");
    EXPECT_EQ(Refusal(SampleDialog(), names(1, 7, "X")), "'DLGH': the zero byte of named item 1 is 7");
    EXPECT_EQ(Refusal(SampleDialog(), names(1, 0, "")), "'DLGH': named item 1 has an empty name");
    EXPECT_EQ(Refusal(SampleDialog(),
                      Writer().Text("DLG").U16(2).U16(1).U8(0).Text("A").U16(1).U8(0).Text("B").Counted()),
              "'DLGH': item 1 is named twice");
    EXPECT_EQ(Refusal(SampleDialog(), Writer().Text("DLG").U16(0).U8(1).Counted()),
              "'DLGH': 1 bytes follow the last named item");
}

TEST(LoadDialog, RefusesAModuleThatIsNotRegistered) {
    try {
        DG::Host::LoadDialog(987654, DGTest::TwoButtonDialog, 987654);
        FAIL() << "an unregistered module was accepted";
    } catch (const DialogResourceError& error) {
        EXPECT_STREQ(error.what(), "resource module 987654 is not registered");
    }
}

TEST(LoadDialog, RefusesAMissingDialog) {
    const GSResModule resModule = DGTest::TestResModule();
    try {
        DG::Host::LoadDialog(resModule, DGTest::NotADialog, resModule);
        FAIL() << "a missing dialog was accepted";
    } catch (const DialogResourceError& error) {
        EXPECT_EQ(error.what(), DGTest::Numbered("the module has no 'GSDG' #", DGTest::NotADialog));
    }
}

// What the tests rely on in each dialog of their module, as its id header states it.
struct ModuleDialog {
    short resId;
    const char* title;
    std::size_t itemCount;
    short separator; // 0: none
};

const ModuleDialog ModuleDialogs[] = {
    {DGTEST_DLG_TWO_BUTTONS, DGTEST_DLG_TWO_BUTTONS_TITLE, DGTEST_DLG_TWO_BUTTONS_ITEM_COUNT,
     DGTEST_DLG_TWO_BUTTONS_ITEM_SEPARATOR},
    {DGTEST_DLG_ONE_BUTTON, DGTEST_DLG_ONE_BUTTON_TITLE, DGTEST_DLG_ONE_BUTTON_ITEM_COUNT,
     DGTEST_DLG_ONE_BUTTON_ITEM_SEPARATOR},
    {DGTEST_PALETTE, DGTEST_PALETTE_TITLE, DGTEST_PALETTE_ITEM_COUNT, 0},
};

// The resource compiler's output read back by the library: the dialog the header promises, with
// items numbered in order, named from its 'DLGH', and the separator where the tests expect it.
TEST(LoadDialog, ReadsTheDialogsOfACompiledModule) {
    const GSResModule resModule = DGTest::TestResModule();
    const GSResModule iconModule = resModule + 1;
    for (const ModuleDialog& expected : ModuleDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(expected.resId));
        const DialogView dialog = DG::Host::LoadDialog(resModule, expected.resId, iconModule);
        EXPECT_EQ(dialog.resModule, resModule);
        EXPECT_EQ(dialog.iconResModule, iconModule);
        EXPECT_EQ(dialog.resId, expected.resId);
        EXPECT_EQ(dialog.title, expected.title);
        EXPECT_FALSE(dialog.name.empty());
        ASSERT_EQ(dialog.items.size(), expected.itemCount);
        EXPECT_FALSE(dialog.items[0].name.empty()) << "the first item is named in every dialog";
        for (std::size_t i = 0; i < dialog.items.size(); ++i) {
            EXPECT_EQ(dialog.items[i].id, short(i + 1));
            EXPECT_EQ(dialog.items[i].kind == ItemKind::Separator, dialog.items[i].id == expected.separator)
                << "item " << dialog.items[i].id;
        }
    }
}

} // namespace
