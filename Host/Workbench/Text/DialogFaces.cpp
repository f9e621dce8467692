#include "DialogFaces.hpp"

#include "ScriptCommand.hpp"
#include "TextBox.hpp"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

namespace Workbench {

namespace {

using DG::Host::DialogView;
using DG::Host::ItemKind;
using DG::Host::ItemView;
using DG::Host::UserAction;

bool IsButton(const ItemView& item) {
    return item.kind == ItemKind::Button;
}

std::string Describe(const DialogView& dialog) {
    return "dialog " + std::to_string(dialog.resId) + " \"" + dialog.title + "\"";
}

// What the transcript and messages call an item: its text, or what stands for it.
std::string ItemText(const ItemView& item) {
    if (item.IsIconButton())
        return "icon " + std::to_string(item.iconId);
    return item.text;
}

std::string ButtonLabel(const ItemView& item) {
    const std::string label = "[" + std::to_string(item.id) + "] " + ItemText(item);
    return item.enabled ? label : label + " (disabled)";
}

std::string JoinTexts(const DialogView& dialog, bool buttons) {
    std::string joined;
    for (const ItemView& item : dialog.items) {
        if (item.kind == ItemKind::Separator || IsButton(item) != buttons)
            continue;
        if (!joined.empty())
            joined += '\n';
        joined += buttons ? std::to_string(item.id) + " " + ItemText(item) : item.text;
    }
    return joined;
}

JsonObject DialogFields(const DialogView& dialog) {
    return JsonObject().Number("resId", dialog.resId).String("title", dialog.title);
}

std::vector<const ItemView*> EnabledButtons(const DialogView& dialog) {
    std::vector<const ItemView*> buttons;
    for (const ItemView& item : dialog.items) {
        if (IsButton(item) && item.enabled)
            buttons.push_back(&item);
    }
    return buttons;
}

} // namespace

std::string DrawDialog(const DialogView& dialog) {
    std::vector<const ItemView*> order;
    for (const ItemView& item : dialog.items)
        order.push_back(&item);
    std::stable_sort(order.begin(), order.end(), [](const ItemView* a, const ItemView* b) {
        return a->rect.y != b->rect.y ? a->rect.y < b->rect.y : a->rect.x < b->rect.x;
    });
    std::vector<BoxLine> lines;
    const ItemView* previous = nullptr;
    for (const ItemView* item : order) {
        if (item->kind == ItemKind::Separator)
            lines.push_back(BoxLine::Rule());
        else if (IsButton(*item) && previous != nullptr && IsButton(*previous) &&
                 previous->rect.y == item->rect.y)
            lines.back().text += "   " + ButtonLabel(*item);
        else
            lines.push_back({IsButton(*item) ? ButtonLabel(*item) : item->text, false});
        previous = item;
    }
    return DrawBox(dialog.title + " (dialog " + std::to_string(dialog.resId) + ")", lines, BoxFrame::Single);
}

void DialogFace::DialogOpened(const DialogView& dialog) {
    console.Out() << DrawDialog(dialog) << std::flush;
    transcript.Write("dialog-opened", DialogFields(dialog)
                                          .String("texts", JoinTexts(dialog, false))
                                          .String("buttons", JoinTexts(dialog, true)));
}

UserAction DialogFace::NextAction(const DialogView& dialog) {
    const UserAction action = Choose(dialog);
    if (action.kind == UserAction::Kind::Click) {
        const ItemView* item = dialog.FindItem(action.itemId);
        transcript.Write("dialog-click",
                         DialogFields(dialog)
                             .Number("item", action.itemId)
                             .String("text", item != nullptr ? ItemText(*item) : std::string()));
    } else if (action.kind == UserAction::Kind::Close) {
        transcript.Write("dialog-close-request", DialogFields(dialog));
    }
    return action;
}

void DialogFace::DialogClosed(const DialogView& dialog, DG::ModalDialog::ModalResponse response) {
    transcript.Write("dialog-closed", DialogFields(dialog)
                                          .Number("response", response)
                                          .Bool("accepted", response == DG::ModalDialog::Accept));
}

std::string ScriptDialogs::TakeProblem() {
    return std::exchange(problem, {});
}

UserAction ScriptDialogs::GiveUp(const DialogView& dialog, std::string why) {
    console.Say("(no answer: " + Describe(dialog) + " is cancelled)");
    transcript.Write("dialog-unanswered", DialogFields(dialog).String("reason", why));
    if (problem.empty())
        problem = std::move(why);
    return UserAction::Abort();
}

UserAction ScriptDialogs::Choose(const DialogView& dialog) {
    if (!problem.empty())
        return GiveUp(dialog, Describe(dialog) + " opened after the script had already failed");
    if (answers.empty())
        return GiveUp(dialog, Describe(dialog) + " opened with no answer waiting (put \"answer <item>\" or "
                                                 "\"answer close\" before the command that opens it)");
    const DialogAnswer answer = answers.front();
    answers.pop_front();
    if (!answer.item) {
        console.Say("answer: close");
        return UserAction::Close();
    }
    const ItemView* item = dialog.FindItem(*answer.item);
    if (item == nullptr)
        return GiveUp(dialog, "the answer of line " + std::to_string(answer.line) + " names item " +
                                  std::to_string(*answer.item) + ", which " + Describe(dialog) +
                                  " does not have");
    console.Say("answer: " + (IsButton(*item) ? ButtonLabel(*item) : "item " + std::to_string(item->id)));
    return UserAction::Click(*answer.item);
}

UserAction TerminalDialogs::Choose(const DialogView& dialog) {
    const std::vector<const ItemView*> buttons = EnabledButtons(dialog);
    std::string choices;
    for (const ItemView* button : buttons)
        choices += std::to_string(button->id) + " (" + ItemText(*button) + "), ";
    std::string line;
    while (true) {
        console.Out() << "Choose " << choices << "or x to close the window: " << std::flush;
        if (!std::getline(input, line)) {
            console.Say("\n(no more input: " + Describe(dialog) + " is cancelled)");
            return UserAction::Abort();
        }
        const std::string_view text = TrimBlanks(line);
        if (text == "x" || text == "X" || text == "close")
            return UserAction::Close();
        short number = 0;
        const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), number);
        const auto chosen = std::find_if(buttons.begin(), buttons.end(),
                                         [number](const ItemView* button) { return button->id == number; });
        if (status == std::errc() && end == text.data() + text.size() && chosen != buttons.end())
            return UserAction::Click(number);
        console.Say("\"" + std::string(text) + "\" is none of the choices.");
    }
}

} // namespace Workbench
