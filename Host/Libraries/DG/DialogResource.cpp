// The dialog resources come from add-on module files, so every field is checked against the bytes
// that are really there before it is read.

#include "DGHost.hpp"

#include "RSHost.hpp"

#include <algorithm>
#include <limits>
#include <string_view>

namespace DG::Host {

namespace {

constexpr std::size_t ByteCountSize = 4;
constexpr std::size_t ItemHeaderSize = 14;  // id, kind, style and rectangle: seven 16-bit words
constexpr std::size_t MinNamedItemSize = 4; // id, zero byte, and at least the name's terminator
constexpr std::size_t MaxItemCount = std::numeric_limits<short>::max();

// Little-endian reads from one resource's bytes; any read past the end fails with the field's name.
class Reader {
public:
    Reader(std::span<const std::byte> resourceBytes, std::string_view resourceType)
        : bytes(resourceBytes), type(resourceType) {}

    [[noreturn]] void Fail(const std::string& reason) const {
        throw DialogResourceError("'" + std::string(type) + "': " + reason);
    }

    std::size_t Remaining() const { return bytes.size() - offset; }

    // The leading byte count must cover exactly the rest of the resource.
    void ByteCount() {
        if (bytes.size() < ByteCountSize)
            Fail(std::to_string(bytes.size()) + " bytes, too short for its byte count");
        const UInt32 count =
            UInt32(Byte(0)) | UInt32(Byte(1)) << 8 | UInt32(Byte(2)) << 16 | UInt32(Byte(3)) << 24;
        offset = ByteCountSize;
        if (count != Remaining())
            Fail("byte count " + std::to_string(count) + " does not match the " +
                 std::to_string(Remaining()) + " bytes that follow it");
    }

    UInt8 U8(std::string_view field) {
        Need(1, field);
        return Byte(offset++);
    }

    UInt16 U16(std::string_view field) {
        Need(2, field);
        const auto value = static_cast<UInt16>(Byte(offset) | Byte(offset + 1) << 8);
        offset += 2;
        return value;
    }

    Rect ReadRect(std::string_view field) {
        Need(8, field);
        Rect rect;
        rect.x = U16(field);
        rect.y = U16(field);
        rect.width = U16(field);
        rect.height = U16(field);
        return rect;
    }

    std::string Text(std::string_view field) {
        const auto rest = bytes.subspan(offset);
        const auto end = std::find(rest.begin(), rest.end(), std::byte{0});
        if (end == rest.end())
            Fail(std::string(field) + " is not terminated within the resource");
        std::string text(reinterpret_cast<const char*>(rest.data()),
                         static_cast<std::size_t>(end - rest.begin()));
        offset += text.size() + 1;
        return text;
    }

    void Zero(std::string_view field) {
        if (const UInt16 value = U16(field); value != 0)
            Fail(std::string(field) + " is " + std::to_string(value) + ", not 0");
    }

    void End(std::string_view what) {
        if (Remaining() != 0)
            Fail(std::to_string(Remaining()) + " bytes follow " + std::string(what));
    }

private:
    UInt8 Byte(std::size_t at) const { return std::to_integer<UInt8>(bytes[at]); }

    void Need(std::size_t size, std::string_view field) const {
        if (Remaining() < size)
            Fail("ends at byte " + std::to_string(bytes.size()) + " inside " + std::string(field));
    }

    std::span<const std::byte> bytes;
    std::string_view type;
    std::size_t offset = 0;
};

// A count of records of at least `minSize` bytes each must fit in what is left.
void CheckCount(const Reader& reader, std::size_t count, std::size_t minSize, std::string_view what) {
    if (count > reader.Remaining() / minSize)
        reader.Fail(std::string(what) + " count " + std::to_string(count) + " does not fit in the " +
                    std::to_string(reader.Remaining()) + " bytes that remain");
}

ItemView ReadItem(Reader& reader, std::size_t expectedId) {
    const std::string item = "item " + std::to_string(expectedId);
    const UInt16 id = reader.U16("the id of " + item);
    if (id != expectedId)
        reader.Fail("record " + std::to_string(expectedId) + " has item id " + std::to_string(id) +
                    "; items must be numbered 1, 2, ... in order");
    ItemView view;
    view.id = static_cast<short>(id);
    const UInt16 kind = reader.U16("the kind of " + item);
    view.style = reader.U16("the style of " + item);
    view.rect = reader.ReadRect("the rectangle of " + item);
    switch (kind) {
    case UInt16(ItemKind::Separator):
        view.kind = ItemKind::Separator;
        break;
    case UInt16(ItemKind::LeftText):
    case UInt16(ItemKind::Button):
        view.kind = ItemKind(kind);
        reader.Zero("the first reserved word of " + item);
        if (view.IsIconButton()) {
            view.iconId = static_cast<GSResID>(reader.U16("the icon id of " + item));
        } else {
            reader.Zero("the second reserved word of " + item);
            view.text = reader.Text("the text of " + item);
        }
        break;
    default:
        reader.Fail(item + " has unknown kind " + std::to_string(kind));
    }
    return view;
}

void ReadItemNames(std::span<const std::byte> dlgh, DialogView& dialog) {
    Reader reader(dlgh, "DLGH");
    reader.ByteCount();
    dialog.name = reader.Text("the dialog name");
    const UInt16 count = reader.U16("the named-item count");
    CheckCount(reader, count, MinNamedItemSize, "named-item");
    for (UInt16 i = 1; i <= count; ++i) {
        const std::string record = "named item " + std::to_string(i);
        const UInt16 id = reader.U16("the item id of " + record);
        if (const UInt8 zero = reader.U8("the zero byte of " + record); zero != 0)
            reader.Fail("the zero byte of " + record + " is " + std::to_string(zero));
        std::string name = reader.Text("the name of " + record);
        if (id == 0 || id > dialog.items.size())
            reader.Fail(record + " names item " + std::to_string(id) + ", which the dialog does not have");
        if (name.empty())
            reader.Fail(record + " has an empty name");
        ItemView& item = dialog.items[id - 1u];
        if (!item.name.empty())
            reader.Fail("item " + std::to_string(id) + " is named twice");
        item.name = std::move(name);
    }
    reader.End("the last named item");
}

} // namespace

const ItemView* DialogView::FindItem(short id) const {
    if (id < 1 || static_cast<std::size_t>(id) > items.size())
        return nullptr;
    return &items[static_cast<std::size_t>(id) - 1];
}

DialogView ParseDialogResource(std::span<const std::byte> gsdg, std::span<const std::byte> dlgh) {
    Reader reader(gsdg, "GSDG");
    reader.ByteCount();
    DialogView dialog;
    dialog.panelKind = reader.U16("the panel kind");
    dialog.flags = reader.U16("the flags");
    dialog.rect = reader.ReadRect("the dialog rectangle");
    dialog.title = reader.Text("the title");
    const UInt16 count = reader.U16("the item count");
    if (count > MaxItemCount)
        reader.Fail("item count " + std::to_string(count) + " exceeds the largest item id, " +
                    std::to_string(MaxItemCount));
    CheckCount(reader, count, ItemHeaderSize, "item");
    dialog.items.reserve(count);
    for (std::size_t id = 1; id <= count; ++id)
        dialog.items.push_back(ReadItem(reader, id));
    reader.End("the last item");
    ReadItemNames(dlgh, dialog);
    return dialog;
}

DialogView LoadDialog(GSResModule resModule, short resId, GSResModule iconResModule) {
    const RS::Host::ResourceFile* file = RS::Host::FindModule(resModule);
    if (file == nullptr)
        throw DialogResourceError("resource module " + std::to_string(resModule) + " is not registered");
    const auto gsdg = file->Find(RS::Host::FourCC("GSDG"), resId);
    if (!gsdg)
        throw DialogResourceError("the module has no 'GSDG' " + std::to_string(resId));
    const auto dlgh = file->Find(RS::Host::FourCC("DLGH"), resId);
    if (!dlgh)
        throw DialogResourceError("the module has no 'DLGH' " + std::to_string(resId) + " naming the items");
    DialogView dialog = ParseDialogResource(*gsdg, *dlgh);
    dialog.resModule = resModule;
    dialog.iconResModule = iconResModule;
    dialog.resId = resId;
    return dialog;
}

} // namespace DG::Host
