#include "Parser.hpp"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace ResourceCompiler {

namespace {

constexpr std::uint32_t MaxResourceId = 32767; // resource ids are signed 16-bit
constexpr std::uint32_t MaxIconSize = 1024;

std::string Found(const Token& token) {
    switch (token.kind) {
    case TokenKind::TypeCode:
    case TokenKind::Word:
        return "'" + token.text + "'";
    case TokenKind::Number:
        return std::to_string(token.number);
    default:
        return std::string(Describe(token.kind));
    }
}

class Parser {
public:
    explicit Parser(const std::vector<Token>& stream) : tokens(stream) {
        if (tokens.empty() || tokens.back().kind != TokenKind::End)
            throw std::invalid_argument("the token list must end with an End token");
    }

    ResourceScript Run() {
        while (Peek().kind != TokenKind::End) {
            const Token& type = Expect(TokenKind::TypeCode, "a resource type such as 'STRS'");
            if (type.text == "STRS")
                script.stringLists.push_back(ParseStringList(type.where));
            else if (type.text == "GSDG")
                script.dialogs.push_back(ParseDialog(type.where));
            else if (type.text == "DLGH")
                script.itemNames.push_back(ParseItemNames(type.where));
            else if (type.text == "MDID")
                script.identities.push_back(ParseModuleIdentity(type.where));
            else if (type.text == "GICN")
                script.icons.push_back(ParseIcon(type.where));
            else
                throw CompileError(type.where, "unknown resource type '" + type.text +
                                                   "' (known: 'STRS', 'GSDG', 'DLGH', 'MDID', 'GICN')");
        }
        return std::move(script);
    }

private:
    const Token& Peek() const { return tokens[next]; }

    const Token& Take() {
        const Token& token = tokens[next];
        if (token.kind != TokenKind::End)
            ++next;
        return token;
    }

    const Token& Expect(TokenKind kind, std::string_view what) {
        const Token& token = Take();
        if (token.kind != kind) {
            std::string message = "expected " + std::string(what) + ", found " + Found(token);
            if (kind == TokenKind::Number && token.kind == TokenKind::Word)
                message += " (a name the included headers do not define?)";
            throw CompileError(token.where, message);
        }
        return token;
    }

    void ExpectWord(std::string_view word) {
        const Token& token = Take();
        if (token.kind != TokenKind::Word || token.text != word)
            throw CompileError(token.where, "expected '" + std::string(word) + "', found " + Found(token));
    }

    bool TakeWordIf(std::string_view word) {
        if (Peek().kind != TokenKind::Word || Peek().text != word)
            return false;
        Take();
        return true;
    }

    std::uint32_t Number(std::string_view what, std::uint32_t low, std::uint32_t high) {
        const Token& token = Expect(TokenKind::Number, what);
        if (token.number < low || token.number > high)
            throw CompileError(token.where, std::string(what) + " " + std::to_string(token.number) +
                                                " is out of range " + std::to_string(low) + ".." +
                                                std::to_string(high));
        return token.number;
    }

    std::int32_t ResourceId(std::string_view what = "resource id") {
        return static_cast<std::int32_t>(Number(what, 1, MaxResourceId));
    }

    std::uint16_t Word16(std::string_view what, std::uint32_t low = 0) {
        return static_cast<std::uint16_t>(Number(what, low, 0xFFFF));
    }

    Rect ParseRect() {
        Rect rect;
        ExpectWord("at");
        rect.x = Word16("x");
        rect.y = Word16("y");
        ExpectWord("size");
        rect.width = Word16("width");
        rect.height = Word16("height");
        return rect;
    }

    // Dialog texts are 8-bit ASCII in the host's dialog format.
    std::string AsciiText(std::string_view what, bool allowEmpty) {
        const Token& token = Expect(TokenKind::Text, what);
        if (std::any_of(token.text.begin(), token.text.end(), [](char c) { return (c & 0x80) != 0; }))
            throw CompileError(token.where, std::string(what) + " must be ASCII");
        if (!allowEmpty && token.text.empty())
            throw CompileError(token.where, std::string(what) + " must not be empty");
        return token.text;
    }

    StringList ParseStringList(const Location& where) {
        StringList list{where, ResourceId(), {}};
        Expect(TokenKind::OpenBrace, "'{'");
        while (Peek().kind != TokenKind::CloseBrace) {
            const Token& number = Expect(TokenKind::Number, "a string item number or '}'");
            if (number.number != list.items.size() + 1)
                throw CompileError(number.where, "string item " + std::to_string(number.number) +
                                                     " is out of order; expected item " +
                                                     std::to_string(list.items.size() + 1));
            list.items.push_back(Expect(TokenKind::Text, "the item's string").text);
        }
        Take();
        return list;
    }

    Dialog ParseDialog(const Location& where) {
        Dialog dialog{where, ResourceId(), {}, 0, 0, {}, {}};
        dialog.title = AsciiText("dialog title", true);
        ExpectWord("panel");
        dialog.panelKind = Word16("panel kind");
        ExpectWord("flags");
        dialog.flags = Word16("flags");
        dialog.rect = ParseRect();
        Expect(TokenKind::OpenBrace, "'{'");
        while (Peek().kind != TokenKind::CloseBrace) {
            if (dialog.items.size() == 0xFFFF)
                throw CompileError(Peek().where, "too many dialog items");
            dialog.items.push_back(ParseDialogItem());
        }
        Take();
        return dialog;
    }

    DialogItem ParseDialogItem() {
        const Token& kindWord =
            Expect(TokenKind::Word, "a dialog item (Button, IconButton, LeftText, Separator)");
        DialogItem item;
        item.where = kindWord.where;
        if (kindWord.text == "Button")
            item.kind = ItemKind::Button;
        else if (kindWord.text == "IconButton")
            item.kind = ItemKind::IconButton;
        else if (kindWord.text == "LeftText")
            item.kind = ItemKind::LeftText;
        else if (kindWord.text == "Separator")
            item.kind = ItemKind::Separator;
        else
            throw CompileError(kindWord.where, "unknown dialog item '" + kindWord.text +
                                                   "' (known: Button, IconButton, LeftText, Separator)");
        if (TakeWordIf("style"))
            item.style = Word16("style");
        item.rect = ParseRect();
        switch (item.kind) {
        case ItemKind::Button:
        case ItemKind::LeftText:
            item.text = AsciiText("item text", true);
            break;
        case ItemKind::IconButton:
            ExpectWord("icon");
            item.iconId = ResourceId("icon id");
            break;
        case ItemKind::Separator:
            break;
        }
        return item;
    }

    DialogItemNames ParseItemNames(const Location& where) {
        DialogItemNames names{where, ResourceId(), {}, {}};
        names.dialogName = AsciiText("dialog name", false);
        Expect(TokenKind::OpenBrace, "'{'");
        while (Peek().kind != TokenKind::CloseBrace) {
            const Location itemWhere = Peek().where;
            const std::uint16_t itemId = Word16("item id", 1);
            names.items.push_back(ItemName{itemWhere, itemId, AsciiText("item name", false)});
        }
        Take();
        return names;
    }

    ModuleIdentity ParseModuleIdentity(const Location& where) {
        ModuleIdentity identity{where, ResourceId(), 0, 0};
        Expect(TokenKind::OpenBrace, "'{'");
        identity.developerId = Expect(TokenKind::Number, "the developer id").number;
        identity.addOnId = Expect(TokenKind::Number, "the add-on id").number;
        Expect(TokenKind::CloseBrace, "'}' after the two identity values");
        return identity;
    }

    Icon ParseIcon(const Location& where) {
        Icon icon{where, ResourceId(), {}, 0};
        const Token& name = Expect(TokenKind::Text, "the icon's file base name");
        const bool plain = !name.text.empty() && std::all_of(name.text.begin(), name.text.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                   c == '_';
        });
        if (!plain)
            throw CompileError(name.where, "an icon's base name holds only letters, digits, '-' and '_'");
        icon.baseName = name.text;
        ExpectWord("size");
        icon.size = static_cast<std::uint16_t>(Number("icon size", 1, MaxIconSize));
        return icon;
    }

    const std::vector<Token>& tokens;
    std::size_t next = 0;
    ResourceScript script;
};

} // namespace

ResourceScript Parse(const std::vector<Token>& tokens) {
    return Parser(tokens).Run();
}

} // namespace ResourceCompiler
