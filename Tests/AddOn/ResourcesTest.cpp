// The resources inside the built module, byte for byte against layouts written out here from the
// product's tables, so that neither the resource sources nor the resource compiler can drift.

#include "RSHost.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using RS::Host::FourCC;
using RS::Host::ResourceFile;

namespace {

// Little-endian layout of one resource, with its leading 32-bit byte count added by Counted.
class Layout {
public:
    Layout& U8(unsigned value) {
        bytes += static_cast<char>(value & 0xFF);
        return *this;
    }
    Layout& U16(unsigned value) { return U8(value).U8(value >> 8); }
    Layout& U32(unsigned long value) {
        return U16(static_cast<unsigned>(value & 0xFFFF)).U16(static_cast<unsigned>(value >> 16));
    }
    Layout& Text(const std::string& text) {
        bytes += text;
        return U8(0);
    }
    std::string Counted() const {
        Layout out;
        out.U32(bytes.size());
        return out.bytes + bytes;
    }

private:
    std::string bytes;
};

std::string AsString(std::span<const std::byte> data) {
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

const ResourceFile& Module() {
    static const std::optional<ResourceFile> module = []() -> std::optional<ResourceFile> {
        const char* binDir = std::getenv("KAVELO_BIN_DIR");
        if (binDir == nullptr)
            return std::nullopt;
        return ResourceFile::Load(std::string(binDir) + "/KAVELO.apx");
    }();
    if (!module)
        throw std::runtime_error("KAVELO_BIN_DIR is not set");
    return *module;
}

std::string Resource(const char (&type)[5], int id) {
    const auto data = Module().Find(FourCC(type), id);
    if (!data)
        throw std::runtime_error(std::string("no resource ") + type + " " + std::to_string(id));
    return AsString(*data);
}

// ---- String lists ----

struct StringListSpec {
    int id;
    std::vector<std::string> items;
};

const StringListSpec StringLists[] = {
    {32000, {"KAVELO", "Export models to kavelo.ai to improve realism"}},
    {32511, {"KAVELO", "Open toolbar^32104^E3"}},
    {32512, {"KAVELO", "Export from current view^32105^E3"}},
    {32513, {"KAVELO", "Unlink account^32102^E3"}},
    {32514, {"KAVELO", "Open live connection^32103^E3"}},
    {32530, {"KAVELO", "Open toolbar"}},
    {32540, {"KAVELO toolbar^32101^E3"}},
    {18000, {"INT"}},
};

// ---- Dialogs ----

constexpr unsigned Button = 1;
constexpr unsigned LeftText = 13;
constexpr unsigned Separator = 15;

struct Rect {
    unsigned x, y, width, height;
};

struct ItemSpec {
    const char* name; // nullptr: not named in the DLGH table
    unsigned kind;
    unsigned style;
    Rect rect;
    std::string text;
    unsigned icon = 0; // an icon button, without text
};

struct DialogSpec {
    int id;
    const char* name;
    const char* title;
    unsigned panelKind;
    unsigned flags;
    Rect rect;
    std::vector<ItemSpec> items;
};

const Rect Modal{40, 40, 345, 128};
const Rect RightButton{245, 95, 90, 23};
const Rect LeftButton{145, 95, 90, 23};
const Rect Rule{10, 83, 325, 2};

const DialogSpec Dialogs[] = {
    {32520,
     "DLG_Link",
     "Link to KAVELO",
     4,
     0,
     Modal,
     {{"Button_0", Button, 7, RightButton, "OK"},
      {"Button_1", Button, 7, LeftButton, "Cancel"},
      {"Separator_0", Separator, 0, Rule, ""},
      {"LeftText_0",
       LeftText,
       0,
       {10, 10, 335, 40},
       "Before exporting your renders to KAVELO you need to link Archicad to your KAVELO account. Click on "
       "OK "
       "and login in the browser page that will open."}}},
    {32531,
     "DLG_Exported",
     "Export to KAVELO succeeded",
     4,
     0,
     Modal,
     {{"Button_0", Button, 7, RightButton, "OK"},
      {"Separator_0", Separator, 0, Rule, ""},
      {"LeftText_0", LeftText, 0, {10, 10, 335, 12}, "Your image was exported to KAVELO."},
      {"LeftText_1",
       LeftText,
       0,
       {10, 34, 335, 12},
       "Refresh your KAVELO browser tab if the upload didn't appear."}}},
    {32532,
     "DLG_Exported",
     "Export to KAVELO succeeded",
     4,
     0,
     Modal,
     {{"Button_0", Button, 7, RightButton, "Open live"},
      {"Button_1", Button, 7, LeftButton, "Close"},
      {"Separator_0", Separator, 0, Rule, ""},
      {"LeftText_0", LeftText, 0, {10, 10, 335, 12}, "Your image was exported to KAVELO."},
      {"LeftText_1",
       LeftText,
       0,
       {10, 24, 335, 40},
       "If you click on \"Open live\", a new tab with KAVELO will be opened in the browser and will get "
       "updated "
       "each time you export an image."}}},
    {32533,
     "DLG_Exported_Login",
     "Export to KAVELO failed",
     4,
     0,
     Modal,
     {{"Button_0", Button, 7, RightButton, "OK"},
      {"Separator_0", Separator, 0, Rule, ""},
      {"LeftText_0", LeftText, 0, {10, 10, 335, 26}, "You need to link Archicad to your KAVELO account."}}},
    {32534,
     "DLG_Exported_Login",
     "Account unlinked",
     4,
     0,
     Modal,
     {{"Button_0", Button, 7, RightButton, "OK"},
      {"Separator_0", Separator, 0, Rule, ""},
      {"LeftText_0", LeftText, 0, {10, 10, 335, 26}, "Archicad app was unlinked from your KAVELO account."}}},
    {32590,
     "DLG_32580_Test_Palette",
     "Kavelo Palette",
     16,
     5,
     {0, 0, 84, 34},
     {{"Button_0", Button, 2, {8, 2, 30, 30}, "", 32105}, {nullptr, Button, 2, {46, 2, 30, 30}, "", 32103}}},
};

std::string DialogLayout(const DialogSpec& dialog) {
    Layout out;
    out.U16(dialog.panelKind).U16(dialog.flags);
    out.U16(dialog.rect.x).U16(dialog.rect.y).U16(dialog.rect.width).U16(dialog.rect.height);
    out.Text(dialog.title).U16(static_cast<unsigned>(dialog.items.size()));
    unsigned id = 0;
    for (const ItemSpec& item : dialog.items) {
        out.U16(++id).U16(item.kind).U16(item.style);
        out.U16(item.rect.x).U16(item.rect.y).U16(item.rect.width).U16(item.rect.height);
        if (item.kind == Separator)
            continue;
        if (item.icon != 0)
            out.U16(0).U16(item.icon);
        else
            out.U16(0).U16(0).Text(item.text);
    }
    return out.Counted();
}

std::string ItemNamesLayout(const DialogSpec& dialog) {
    unsigned named = 0;
    for (const ItemSpec& item : dialog.items)
        named += item.name != nullptr ? 1 : 0;
    Layout out;
    out.Text(dialog.name).U16(named);
    unsigned id = 0;
    for (const ItemSpec& item : dialog.items) {
        ++id;
        if (item.name != nullptr)
            out.U16(id).U8(0).Text(item.name);
    }
    return out.Counted();
}

// The width and height in a PNG's IHDR chunk, which must come first.
std::pair<unsigned long, unsigned long> PngSize(const std::string& png) {
    const std::string signature = "\x89PNG\r\n\x1A\n";
    if (png.size() < 24 || png.compare(0, 8, signature) != 0 || png.compare(12, 4, "IHDR") != 0)
        throw std::runtime_error("not a PNG with its IHDR first");
    const auto big32 = [&png](std::size_t at) {
        unsigned long value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(png[at + i]);
        return value;
    };
    return {big32(16), big32(20)};
}

struct IconSpec {
    int id;
    unsigned long size; // normal resolution; the double one is twice as large
};

const IconSpec Icons[] = {{32101, 22}, {32102, 22}, {32103, 22}, {32104, 22}, {32105, 22}, {10001, 18}};

} // namespace

TEST(ModuleResources, StringListsAreStoredAsTabled) {
    for (const StringListSpec& list : StringLists) {
        SCOPED_TRACE("STRS " + std::to_string(list.id));
        Layout expected;
        for (const std::string& item : list.items)
            expected.Text(item);
        EXPECT_EQ(Resource("STRS", list.id), expected.Counted());
    }
}

TEST(ModuleResources, DialogsAreStoredAsTabled) {
    for (const DialogSpec& dialog : Dialogs) {
        SCOPED_TRACE("GSDG " + std::to_string(dialog.id));
        EXPECT_EQ(Resource("GSDG", dialog.id), DialogLayout(dialog));
    }
}

TEST(ModuleResources, DialogItemNamesAreStoredAsTabled) {
    for (const DialogSpec& dialog : Dialogs) {
        SCOPED_TRACE("DLGH " + std::to_string(dialog.id));
        EXPECT_EQ(Resource("DLGH", dialog.id), ItemNamesLayout(dialog));
    }
}

TEST(ModuleResources, ModuleIdentityHoldsTwoWords) {
    const std::string identity = Resource("MDID", 32500);
    ASSERT_EQ(identity.size(), 12u);
    EXPECT_EQ(identity.substr(0, 4), std::string("\x08\0\0\0", 4)); // a byte count of 8: two 32-bit values
}

TEST(ModuleResources, IconsArePngsOfBothResolutions) {
    for (const IconSpec& icon : Icons) {
        for (const unsigned long dpi : {96ul, 192ul}) {
            const std::string name = "I" + std::to_string(icon.id) + "&" + std::to_string(dpi);
            SCOPED_TRACE(name);
            const auto png = Module().FindNamed(FourCC("GICN"), name);
            ASSERT_TRUE(png);
            const unsigned long pixels = icon.size * dpi / 96;
            EXPECT_EQ(PngSize(AsString(*png)), std::make_pair(pixels, pixels));
        }
    }
}

TEST(ModuleResources, HoldsNothingElseAndAllInLanguage1033) {
    const std::size_t expected = std::size(StringLists) + 2 * std::size(Dialogs) + 1 + 2 * std::size(Icons);
    EXPECT_EQ(Module().Entries().size(), expected);
    for (const RS::Host::ResourceEntry& entry : Module().Entries())
        EXPECT_EQ(entry.language, 1033u) << entry.id << " " << entry.name;
}
