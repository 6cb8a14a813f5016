#pragma once
// The control's message boxes on the terminal. A box with only an OK button
// is a message: it is printed on the error output and answers OK at once.
// An error box keeps its headline on a line of its own and is followed by
// the URL of the file that failed; with --quiet only error boxes are shown.
// A box with a choice is a question: text and buttons are printed and the
// answer read from the terminal, or given by the options, or chosen
// unattended (TerminalOptions.h). Ctrl+C during a question answers Cancel
// where the box has it, else its default; the caller decides what else it means.
#include <atomic>
#include <optional>
#include <string>

#include "control/ControlServices.h"
#include "frontends/terminal/TerminalButtons.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalOptions.h"
#include "frontends/terminal/TerminalRunLog.h"

namespace kivterm {

class CTerminalQuestionWindow;

class CTerminalMessageBoxService : public kivcontrol::IMessageBoxService {
public:
    // `log` (may be null) takes the messages and the unattended answers.
    CTerminalMessageBoxService(CTerminalConsole& console, const TerminalOptions& options,
                               CTerminalRunLog* log = nullptr)
        : console_(console), options_(options), log_(log) {}

    int ShowMessageBox(win::HWND owner, const std::string& text, const std::string& caption,
                       unsigned style) override;
    int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) override;
    // A question whose Ctrl+C answer is `interruptAnswer`.
    int Ask(const std::string& text, const std::string& caption, unsigned style,
            int interruptAnswer);

private:
    int Show(const std::string& text, const std::string& caption, unsigned style,
             std::optional<int> interruptAnswer);
    void PrintMessage(const std::string& text, unsigned style);
    std::optional<int> OptionAnswer(const CTerminalButtons& buttons) const;
    int UnattendedChoice(const CTerminalButtons& buttons);
    // An unattended Retry waits a little first, so that it has a chance.
    int AfterChoice(int answer, CTerminalQuestionWindow& window);
    int AskUser(const std::string& text, const CTerminalButtons& buttons,
                CTerminalQuestionWindow& window, int interruptAnswer);
    void Record(const std::string& text, const CTerminalButtons& buttons, int result);

    void Tell(const std::string& utf8, bool error, bool failure = false);

    CTerminalConsole& console_;
    const TerminalOptions options_;
    CTerminalRunLog* log_;
    std::atomic<int> retriesGiven_{0};
};

}  // namespace kivterm
