#pragma once

// The workbench's faces for the host's modal dialogs. Each dialog is drawn in the terminal as a
// box (title, texts, numbered buttons, separators as rules) and written to the transcript with
// what was done to it; the answers come from a person at the terminal or from the script, which
// queues them before the command that opens the dialog. A face never waits for an answer that
// cannot come: it gives up, and the dialog library cancels the dialog.

#include "Console.hpp"
#include "Transcript.hpp"

#include "DGHost.hpp"

#include <cstddef>
#include <deque>
#include <istream>
#include <optional>
#include <string>

namespace Workbench {

// The box for `dialog`: title and resource id, then the items in reading order (top to bottom,
// left to right), buttons that share a row on one line.
std::string DrawDialog(const DG::Host::DialogView& dialog);

// Shows and records every dialog; what the user does comes from Choose.
class DialogFace : public DG::Host::UIDriver {
public:
    DialogFace(Transcript& events, Console& user) : transcript(events), console(user) {}

    // A face that also shows the dialog elsewhere extends these two; what the user does comes
    // from Choose, whichever face it is.
    void DialogOpened(const DG::Host::DialogView& dialog) override;
    DG::Host::UserAction NextAction(const DG::Host::DialogView& dialog) final;
    void DialogClosed(const DG::Host::DialogView& dialog, DG::ModalDialog::ModalResponse response) override;

protected:
    virtual DG::Host::UserAction Choose(const DG::Host::DialogView& dialog) = 0;

    Transcript& transcript;
    Console& console;
};

struct DialogAnswer {
    std::optional<short> item; // none: close the dialog through its window control
    std::size_t line = 0;      // of the script, for messages
};

class ScriptDialogs : public DialogFace {
public:
    using DialogFace::DialogFace;

    // Each answer is one action: a click on a text does nothing, so the next answer goes to the
    // same dialog.
    void Queue(DialogAnswer answer) { answers.push_back(answer); }
    const std::deque<DialogAnswer>& Pending() const { return answers; }

    // Why the script could not go on (a dialog without an answer, an answer naming no item of its
    // dialog), as the first such problem since the last call; empty when there was none. Once a
    // problem has happened, every later dialog is cancelled at once until it is taken.
    std::string TakeProblem();

protected:
    // The next answer, or Abort (and the problem noted) when there is none for this dialog.
    DG::Host::UserAction Choose(const DG::Host::DialogView& dialog) override;

private:
    DG::Host::UserAction GiveUp(const DG::Host::DialogView& dialog, std::string problem);

    std::deque<DialogAnswer> answers;
    std::string problem;
};

class TerminalDialogs : public DialogFace {
public:
    TerminalDialogs(Transcript& events, Console& user, std::istream& answers)
        : DialogFace(events, user), input(answers) {}

private:
    // Asks until the person names a button or "x"; the end of the input cancels the dialog.
    DG::Host::UserAction Choose(const DG::Host::DialogView& dialog) override;

    std::istream& input;
};

} // namespace Workbench
