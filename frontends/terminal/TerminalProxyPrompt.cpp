#include "frontends/terminal/TerminalProxyPrompt.h"

#include <termios.h>
#include <unistd.h>

#include "frontends/terminal/TerminalInterrupt.h"
#include "frontends/terminal/TerminalLabels.h"
#include "frontends/terminal/TerminalQuestionWindow.h"
#include "frontends/terminal/TerminalText.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace kivterm {

namespace {

// Typing is not shown while it lives (when the input is a terminal).
class CEchoOff {
public:
    explicit CEchoOff(int fd) : fd_(fd) {
        if (::isatty(fd_) == 0 || ::tcgetattr(fd_, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        // A signal that ends the program meanwhile must not leave typing hidden.
        CTerminalInterrupt::KeepTerminalModeForExit(fd_, saved_);
        active_ = ::tcsetattr(fd_, TCSANOW, &quiet) == 0;
        if (!active_) CTerminalInterrupt::ForgetTerminalMode();
    }
    ~CEchoOff() {
        if (!active_) return;
        ::tcsetattr(fd_, TCSANOW, &saved_);
        CTerminalInterrupt::ForgetTerminalMode();
    }
    CEchoOff(const CEchoOff&) = delete;
    CEchoOff& operator=(const CEchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

}  // namespace

bool CTerminalProxyPrompt::AskProxyCredentials(win::HWND /*owner*/, std::string& user,
                                               std::string& password) {
    const std::string reason = ToTerminal(res::LoadString(textid::kProxyAuthRequired)) + "\n";
    if (options_.assumeYes || !console_.Interactive()) {
        console_.WriteErr(reason);
        return false;
    }
    CTerminalQuestionWindow window(console_, std::string(), IDCANCEL);
    const TerminalLabels labels = LoadTerminalLabels();
    console_.WritePrompt(reason + ToTerminal(labels.userName) + ": ");
    std::string typedUser;
    if (console_.ReadLine(window.State(), typedUser) != WaitEnd::Answered) {
        console_.WritePrompt("\n");
        return false;
    }
    console_.WritePrompt(ToTerminal(labels.password) + ": ");
    std::string typedPassword;
    WaitEnd end;
    {
        CEchoOff quiet(console_.Io().in);
        end = console_.ReadLine(window.State(), typedPassword);
    }
    console_.WritePrompt("\n");  // the line end was not echoed
    return end == WaitEnd::Answered && FromTerminal(typedUser, user) &&
           FromTerminal(typedPassword, password);
}

}  // namespace kivterm
