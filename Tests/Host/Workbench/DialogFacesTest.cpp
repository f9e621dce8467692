// The terminal's boxes, and the two dialog faces driven directly with dialogs as the dialog
// library describes them.

#include "DialogFaces.hpp"
#include "TextBox.hpp"
#include "TranscriptReader.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace Workbench;
using DG::Host::DialogView;
using DG::Host::ItemKind;
using DG::Host::ItemView;
using DG::Host::UserAction;
using WorkbenchTest::EventsNamed;
using WorkbenchTest::ParseTranscript;

TEST(WorkbenchTextBox, WrapsAtBlanksCutsLongWordsAndKeepsLineFeeds) {
    EXPECT_EQ(WrapText("one two three", 7), (std::vector<std::string>{"one two", "three"}));
    EXPECT_EQ(WrapText("abcdefghij xy", 4), (std::vector<std::string>{"abcd", "efgh", "ij", "xy"}));
    EXPECT_EQ(WrapText("a\n\nb", 10), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(WrapText("", 10), (std::vector<std::string>{""}));
    EXPECT_EQ(WrapText("caf\xC3\xA9s \xC3\xA9t\xC3\xA9", 5),
              (std::vector<std::string>{"caf\xC3\xA9s", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(DisplayWidth("caf\xC3\xA9"), 4u);
}

TEST(WorkbenchTextBox, DrawsTitleLinesAndRulesInAStraightFrame) {
    EXPECT_EQ(DrawBox("Hi", {{"a line"}, BoxLine::Rule(), {"caf\xC3\xA9"}}, BoxFrame::Single),
              "┌─ Hi ───┐\n"
              "│ a line │\n"
              "├────────┤\n"
              "│ café   │\n"
              "└────────┘\n");
    EXPECT_EQ(DrawBox("ALERT", {{"x"}}, BoxFrame::Double), "╔═ ALERT ═╗\n"
                                                           "║ x       ║\n"
                                                           "╚═════════╝\n");
    const std::string wide = DrawBox("", {{std::string(100, 'w')}}, BoxFrame::Single);
    EXPECT_NE(wide.find("│ " + std::string(BoxTextWidth, 'w') + " │\n"), std::string::npos) << wide;
}

ItemView Item(short id, ItemKind kind, UInt16 x, UInt16 y, std::string text) {
    ItemView item;
    item.id = id;
    item.kind = kind;
    item.style = kind == ItemKind::Button ? 7 : 0;
    item.rect = {x, y, 90, 23};
    item.text = std::move(text);
    return item;
}

// Some dialog, laid out as the add-on's are: buttons right to left, then the separator, then the text.
DialogView SampleDialog() {
    DialogView dialog;
    dialog.resId = 100;
    dialog.title = "Sample";
    dialog.items = {Item(1, ItemKind::Button, 245, 95, "OK"), Item(2, ItemKind::Button, 145, 95, "Cancel"),
                    Item(3, ItemKind::Separator, 10, 83, ""),
                    Item(4, ItemKind::LeftText, 10, 10, "Before exporting, link your account.")};
    return dialog;
}

TEST(WorkbenchDialogFaces, DrawsItemsInReadingOrderWithButtonsOnOneRow) {
    DialogView dialog = SampleDialog();
    dialog.items[1].enabled = false;
    EXPECT_EQ(DrawDialog(dialog), "┌─ Sample (dialog 100) ────────────────┐\n"
                                  "│ Before exporting, link your account. │\n"
                                  "├──────────────────────────────────────┤\n"
                                  "│ [2] Cancel (disabled)   [1] OK       │\n"
                                  "└──────────────────────────────────────┘\n");
}

struct WorkbenchScriptDialogs : testing::Test {
    std::ostringstream lines, out, err;
    Transcript transcript{lines, err};
    Console console{out, err, false};
    ScriptDialogs dialogs{transcript, console};
    DialogView dialog = SampleDialog();

    // How the faces name the dialog in their messages.
    std::string Named() const {
        return "dialog " + std::to_string(dialog.resId) + " \"" + dialog.title + "\"";
    }
};

TEST_F(WorkbenchScriptDialogs, AnswersGoOneActionEachAndAreRecorded) {
    dialogs.Queue({4, 1});
    dialogs.Queue({1, 2});
    dialogs.Queue({std::nullopt, 3});
    dialogs.DialogOpened(dialog);
    UserAction action = dialogs.NextAction(dialog);
    EXPECT_EQ(action.kind, UserAction::Kind::Click);
    EXPECT_EQ(action.itemId, 4) << "a click on the text goes to the dialog like any other";
    action = dialogs.NextAction(dialog);
    EXPECT_EQ(action.itemId, 1);
    dialogs.DialogClosed(dialog, DG::ModalDialog::Accept);
    EXPECT_EQ(dialogs.NextAction(dialog).kind, UserAction::Kind::Close);
    EXPECT_TRUE(dialogs.Pending().empty());
    EXPECT_EQ(dialogs.TakeProblem(), "");

    const auto events = ParseTranscript(lines.str());
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].Name(), "dialog-opened");
    EXPECT_EQ(events[0].Number("resId"), dialog.resId);
    EXPECT_EQ(events[0].Text("title"), dialog.title);
    EXPECT_EQ(events[0].Text("texts"), "Before exporting, link your account.");
    EXPECT_EQ(events[0].Text("buttons"), "1 OK\n2 Cancel");
    EXPECT_EQ(events[1].Name(), "dialog-click");
    EXPECT_EQ(events[1].Number("item"), 4);
    EXPECT_EQ(events[2].Text("text"), "OK");
    EXPECT_EQ(events[3].Name(), "dialog-closed");
    EXPECT_EQ(events[3].Number("response"), 1);
    EXPECT_TRUE(events[3].Flag("accepted"));
    EXPECT_EQ(events[4].Name(), "dialog-close-request");
    EXPECT_NE(out.str().find("answer: [1] OK\n"), std::string::npos) << out.str();
}

TEST_F(WorkbenchScriptDialogs, ADialogWithoutAnAnswerIsGivenUpAndNamed) {
    EXPECT_EQ(dialogs.NextAction(dialog).kind, UserAction::Kind::Abort);
    const std::string problem = dialogs.TakeProblem();
    EXPECT_NE(problem.find(Named() + " opened with no answer waiting"), std::string::npos) << problem;
    EXPECT_EQ(dialogs.TakeProblem(), "");
    const auto unanswered = EventsNamed(ParseTranscript(lines.str()), "dialog-unanswered");
    ASSERT_EQ(unanswered.size(), 1u);
    EXPECT_EQ(unanswered[0].Number("resId"), dialog.resId);
}

TEST_F(WorkbenchScriptDialogs, AnAnswerNamingNoItemFailsAndLaterDialogsAreGivenUpToo) {
    dialogs.Queue({9, 7});
    dialogs.Queue({1, 8});
    EXPECT_EQ(dialogs.NextAction(dialog).kind, UserAction::Kind::Abort);
    EXPECT_EQ(dialogs.NextAction(dialog).kind, UserAction::Kind::Abort) << "the script has already failed";
    EXPECT_EQ(dialogs.Pending().size(), 1u);
    EXPECT_EQ(dialogs.TakeProblem(),
              "the answer of line 7 names item 9, which " + Named() + " does not have");
}

struct WorkbenchTerminalDialogs : WorkbenchScriptDialogs {
    UserAction Answer(const std::string& typed) {
        std::istringstream input(typed);
        TerminalDialogs terminal(transcript, console, input);
        return terminal.NextAction(dialog);
    }
};

TEST_F(WorkbenchTerminalDialogs, AsksUntilAButtonOrCloseIsChosen) {
    dialog.items[1].enabled = false;
    const UserAction action = Answer("9\n4\n2\nabc\n\n 1 \n");
    EXPECT_EQ(action.kind, UserAction::Kind::Click);
    EXPECT_EQ(action.itemId, 1);
    const std::string shown = out.str();
    EXPECT_NE(shown.find("Choose 1 (OK), or x to close the window: "), std::string::npos) << shown;
    for (const char* refused : {"\"9\"", "\"4\"", "\"2\"", "\"abc\"", "\"\""})
        EXPECT_NE(shown.find(std::string(refused) + " is none of the choices."), std::string::npos)
            << refused;

    EXPECT_EQ(Answer("x\n").kind, UserAction::Kind::Close);
    EXPECT_EQ(Answer("close\n").kind, UserAction::Kind::Close);
    const auto closes = EventsNamed(ParseTranscript(lines.str()), "dialog-close-request");
    EXPECT_EQ(closes.size(), 2u);
}

TEST_F(WorkbenchTerminalDialogs, TheEndOfInputCancelsInsteadOfWaiting) {
    EXPECT_EQ(Answer("").kind, UserAction::Kind::Abort);
    EXPECT_EQ(Answer("7\n").kind, UserAction::Kind::Abort);
    EXPECT_NE(out.str().find("(no more input: " + Named() + " is cancelled)"), std::string::npos);
}

} // namespace
