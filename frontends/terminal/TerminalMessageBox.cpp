#include "frontends/terminal/TerminalMessageBox.h"

#include "control/ErrorCodeTexts.h"
#include "frontends/terminal/TerminalQuestionWindow.h"
#include "frontends/terminal/TerminalText.h"

using kivcontrol::ExistingFiles;
using kivcontrol::HeadlineForPhase;

namespace kivterm {

namespace {

std::string AsLine(const std::string& text) {
    return PlainLineEnds(ToTerminal(text)) + '\n';
}

// The control puts a failure's reason right after the phase's headline
// ("File download failed.HTTP status ..."); a terminal shows it on a line of its own.
std::string BreakAfterHeadline(const std::string& text) {
    constexpr int kPhases = 6;
    for (int phase = 0; phase < kPhases; ++phase) {
        const std::string headline = HeadlineForPhase(phase, 0);
        if (!headline.empty() && text.size() > headline.size() && text.starts_with(headline) &&
            text[headline.size()] != '\n') {
            return headline + "\n" + text.substr(headline.size());
        }
    }
    return text;
}

// What Esc would do, or failing that the default: the answer that commits to nothing.
int InterruptAnswerFor(const CTerminalButtons& buttons) {
    if (buttons.Has(IDCANCEL)) return IDCANCEL;
    if (buttons.Has(IDABORT)) return IDABORT;
    return buttons.DefaultResult();
}

}  // namespace

int CTerminalMessageBoxService::ShowMessageBox(win::HWND /*owner*/, const std::string& text,
                                               const std::string& caption, unsigned style) {
    return Show(text, caption, style, std::nullopt);
}

int CTerminalMessageBoxService::ShowStandardMessageBox(const std::string& text,
                                                       const std::string& caption, unsigned style) {
    return Show(text, caption, style, std::nullopt);
}

int CTerminalMessageBoxService::Ask(const std::string& text, const std::string& caption,
                                    unsigned style, int interruptAnswer) {
    return Show(text, caption, style, interruptAnswer);
}

int CTerminalMessageBoxService::Show(const std::string& text, const std::string& caption,
                                     unsigned style, std::optional<int> interruptAnswer) {
    const CTerminalButtons buttons(style);
    if (!buttons.IsQuestion()) {
        PrintMessage(text, style);
        return buttons.DefaultResult();
    }
    CTerminalQuestionWindow window(console_, caption,
                                   buttons.Cancellable() ? IDCANCEL : IDDISMISSED);
    if (std::optional<int> given = OptionAnswer(buttons)) {
        Record(text, buttons, *given);
        return *given;
    }
    if (options_.assumeYes || !console_.Interactive()) {
        const int choice = UnattendedChoice(buttons);
        Record(text, buttons, choice);
        return AfterChoice(choice, window);
    }
    return AskUser(text, buttons, window, interruptAnswer.value_or(InterruptAnswerFor(buttons)));
}

void CTerminalMessageBoxService::PrintMessage(const std::string& text, unsigned style) {
    const unsigned icon = style & MB_ICONMASK;
    if (icon == MB_ICONSTOP || icon == MB_ICONEXCLAMATION) {
        Tell(AsLine(BreakAfterHeadline(text)), true, true);
    } else {
        Tell(AsLine(text), false);
    }
}

void CTerminalMessageBoxService::Tell(const std::string& utf8, bool error, bool failure) {
    if (log_ == nullptr) {
        console_.WriteErr(utf8);
    } else if (error) {
        log_->Error(utf8, failure);
    } else {
        log_->Note(utf8.ends_with('\n') ? utf8.substr(0, utf8.size() - 1) : utf8, Layout::Kept);
    }
}

std::optional<int> CTerminalMessageBoxService::OptionAnswer(const CTerminalButtons& buttons) const {
    // The only three-way question the control asks is the existing-files one.
    const bool threeWay = buttons.Has(IDYES) && buttons.Has(IDNO) && buttons.Has(IDCANCEL);
    if (!threeWay || options_.existing == ExistingFiles::Ask) return std::nullopt;
    return options_.existing == ExistingFiles::Resume ? IDYES : IDNO;
}

int CTerminalMessageBoxService::UnattendedChoice(const CTerminalButtons& buttons) {
    // --yes goes on: Yes (the existing-files question's Yes resumes what can
    // be resumed and restarts the rest), OK, a bounded number of Retries.
    if (options_.assumeYes && buttons.Has(IDYES)) return IDYES;
    if (buttons.Has(IDRETRY) && buttons.Has(IDCANCEL)) {
        // Another run may be just finishing: retry a few times, then give up.
        if (options_.assumeYes && retriesGiven_ < options_.unattendedRetries) {
            ++retriesGiven_;
            return IDRETRY;
        }
        return IDCANCEL;
    }
    if (buttons.Has(IDOK) && buttons.Has(IDCANCEL)) return options_.assumeYes ? IDOK : IDCANCEL;
    return buttons.DefaultResult();
}

int CTerminalMessageBoxService::AfterChoice(int answer, CTerminalQuestionWindow& window) {
    if (answer != IDRETRY) return answer;
    switch (console_.Pause(window.State(), options_.retryPauseMs)) {
        case WaitEnd::Interrupted:
            return IDCANCEL;
        case WaitEnd::Closed:
            return window.State().ClosedResult();
        default:
            return answer;
    }
}

int CTerminalMessageBoxService::AskUser(const std::string& text, const CTerminalButtons& buttons,
                                        CTerminalQuestionWindow& window, int interruptAnswer) {
    console_.WritePrompt(AsLine(text));
    for (;;) {
        console_.WritePrompt(ToTerminal(buttons.Prompt()));
        std::string line;
        switch (console_.ReadLine(window.State(), line)) {
            case WaitEnd::Interrupted:
                console_.WritePrompt("\n");
                return interruptAnswer;
            case WaitEnd::Closed:
                console_.WritePrompt("\n");
                return window.State().ClosedResult();
            case WaitEnd::NoInput: {
                const int choice = UnattendedChoice(buttons);
                console_.WritePrompt(ToTerminal(buttons.LabelOf(choice)) + "\n");
                return AfterChoice(choice, window);
            }
            case WaitEnd::Answered:
                break;
        }
        std::string answer;
        if (!FromTerminal(line, answer)) continue;
        if (std::optional<int> result = buttons.Parse(answer)) return *result;
    }
}

void CTerminalMessageBoxService::Record(const std::string& text, const CTerminalButtons& buttons,
                                        int result) {
    Tell(AsLine(text) + ToTerminal(buttons.Prompt() + buttons.LabelOf(result)) + "\n", false);
}

}  // namespace kivterm
