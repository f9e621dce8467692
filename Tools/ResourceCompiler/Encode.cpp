#include "Encode.hpp"

#include "ByteWriter.hpp"

#include <stdexcept>

namespace ResourceCompiler {

namespace {

// The leading byte count, then the body.
Bytes Counted(const ByteWriter& body, const Location& where) {
    if (body.Size() > 0xFFFFFFFFu)
        throw CompileError(where, "resource larger than 4 GiB");
    ByteWriter out;
    out.U32(static_cast<std::uint32_t>(body.Size()));
    out.Raw(body.Bytes());
    return out.Bytes();
}

void WriteRect(ByteWriter& out, const Rect& rect) {
    out.U16(rect.x);
    out.U16(rect.y);
    out.U16(rect.width);
    out.U16(rect.height);
}

std::uint16_t KindCode(ItemKind kind) {
    switch (kind) {
    case ItemKind::Button:
    case ItemKind::IconButton:
        return 1;
    case ItemKind::LeftText:
        return 13;
    case ItemKind::Separator:
        return 15;
    }
    throw std::logic_error("unknown dialog item kind");
}

} // namespace

Bytes EncodeStringList(const StringList& list) {
    ByteWriter body;
    for (const std::string& item : list.items)
        body.CString(item);
    return Counted(body, list.where);
}

Bytes EncodeDialog(const Dialog& dialog) {
    ByteWriter body;
    body.U16(dialog.panelKind);
    body.U16(dialog.flags);
    WriteRect(body, dialog.rect);
    body.CString(dialog.title);
    body.U16(static_cast<std::uint16_t>(dialog.items.size()));
    std::uint16_t itemId = 0;
    for (const DialogItem& item : dialog.items) {
        body.U16(++itemId);
        body.U16(KindCode(item.kind));
        body.U16(item.style);
        WriteRect(body, item.rect);
        switch (item.kind) {
        case ItemKind::Button:
        case ItemKind::LeftText:
            body.U16(0);
            body.U16(0);
            body.CString(item.text);
            break;
        case ItemKind::IconButton:
            body.U16(0);
            body.U16(static_cast<std::uint16_t>(item.iconId));
            break;
        case ItemKind::Separator:
            break;
        }
    }
    return Counted(body, dialog.where);
}

Bytes EncodeItemNames(const DialogItemNames& names) {
    ByteWriter body;
    body.CString(names.dialogName);
    body.U16(static_cast<std::uint16_t>(names.items.size()));
    for (const ItemName& item : names.items) {
        body.U16(item.itemId);
        body.U8(0);
        body.CString(item.name);
    }
    return Counted(body, names.where);
}

Bytes EncodeModuleIdentity(const ModuleIdentity& identity) {
    ByteWriter body;
    body.U32(identity.developerId);
    body.U32(identity.addOnId);
    return Counted(body, identity.where);
}

} // namespace ResourceCompiler
