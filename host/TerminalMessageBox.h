#pragma once
// The control's message boxes on the terminal. A box with only an OK button
// is a message: it is printed (information boxes to the output, all others,
// error messages among them, to the error output) and answers OK at once.
// A box with a choice is a question: text and buttons are printed and the
// answer read from the terminal, or given by the options, or chosen
// unattended (TerminalOptions.h). Ctrl+C during a question answers Cancel
// where the box has it, else its default; the caller decides what else it means.
#include <atomic>
#include <optional>
#include <string>

#include "control/ControlServices.h"
#include "host/TerminalButtons.h"
#include "host/TerminalConsole.h"
#include "host/TerminalOptions.h"

namespace kivterm {

class CTerminalQuestionWindow;

class CTerminalMessageBoxService : public IMessageBoxService {
public:
    CTerminalMessageBoxService(CTerminalConsole& console, const TerminalOptions& options)
        : console_(console), options_(options) {}

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

    CTerminalConsole& console_;
    const TerminalOptions options_;
    std::atomic<int> retriesGiven_{0};
};

}  // namespace kivterm
