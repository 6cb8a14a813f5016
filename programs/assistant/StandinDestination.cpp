#include "programs/assistant/StandinDestination.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "control/DestinationQuery.h"
#include "env/Application.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalFolderBrowser.h"
#include "frontends/terminal/TerminalMessageBox.h"
#include "frontends/window/loader/WindowFrontEndLibrary.h"
#include "platform/FileApi.h"
#include "programs/assistant/StandinDestinationContext.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"
#include "transfer/VersionFile.h"

using kivcontrol::CDestinationQuery;
using kivcontrol::ExistingFiles;
using kivcontrol::IFolderBrowser;
using kivcontrol::IMessageBoxService;

using kivtransfer::CVersionFile;

namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(200);
// "If these files were created when the previous download was interrupted, ...
// Resume the download from the previous point?"

// While the questions are open: once the control has gone, nobody waits
// for the answer, so the open question is ended (it answers Cancel) and
// the query, seeing the cancel check, gives up.
class CQuestionWatchdog {
public:
    CQuestionWatchdog(const CControlWatch& watch, std::function<void()> interrupt)
        : thread_([this, &watch, interrupt = std::move(interrupt)] { Run(watch, interrupt); }) {}
    ~CQuestionWatchdog() {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    CQuestionWatchdog(const CQuestionWatchdog&) = delete;
    CQuestionWatchdog& operator=(const CQuestionWatchdog&) = delete;

    const std::atomic<bool>& ControlGone() const { return gone_; }

private:
    void Run(const CControlWatch& watch, const std::function<void()>& interrupt) {
        std::unique_lock<std::mutex> hold(mutex_);
        while (!wake_.wait_for(hold, kWatchInterval, [this] { return stop_; })) {
            if (!gone_ && watch.ControlGone()) gone_ = true;
            // Repeated: the query may open one more question before it checks.
            if (gone_) interrupt();
        }
    }

    std::atomic<bool> gone_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;  // last: it uses the members above
};

// Where questions are read, by the host's own rule: only when standard
// input is a terminal (a job with its input redirected is unattended and
// must not wait for a person), then from the controlling terminal, or from
// standard input when that cannot be opened. -1: nobody to ask.
class CQuestionInput {
public:
    CQuestionInput() {
        if (::isatty(0) == 0) return;
        fd_ = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
        owned_ = fd_ >= 0;
        if (!owned_) fd_ = 0;
    }
    ~CQuestionInput() {
        if (owned_) ::close(fd_);
    }
    CQuestionInput(const CQuestionInput&) = delete;
    CQuestionInput& operator=(const CQuestionInput&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
    bool owned_ = false;
};

kivterm::TerminalIo QuestionIo(int terminal) {
    kivterm::TerminalIo io;
    // Our texts go to the error output: the control's host owns the display.
    io.out = 2;
    io.err = 2;
    io.in = terminal;
    // Standard input stands in only for reading; prompts then go with our texts.
    io.prompt = terminal == 0 ? 2 : terminal;
    io.askColumns = false;
    return io;
}

// The items whose download was left unfinished: the control keeps the
// partial files in its work folder, where the query's look into the chosen
// folder cannot see them, and records each under its URL. The record is
// read where this user's record lies, not where the request says: the
// request comes from the confined side.
std::vector<std::string> RecordedPartials(const ContentListRequest& request) {
    std::vector<std::string> names;
    CVersionFile versionFile(env::GetVersionFilePath());
    for (const ContentListEntry& item : request.items) {
        std::string path;
        if (versionFile.GetPath(item.url, path) && win::FileExists(path))
            names.push_back(item.name);
    }
    return names;
}

// Whether the partial files are continued: the given answer, else the user's.
bool ResumePartials(const std::vector<std::string>& names, const DestinationAnswers& answers,
                    CStandinDestinationContext& context) {
    if (answers.existing != ExistingFiles::Ask) return answers.existing == ExistingFiles::Resume;
    std::string question;
    for (const std::string& name : names) question += "\t" + name + "\n";
    question += res::LoadString(textid::kResumeQuestion);
    return context.ShowMessage(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The control's destination query over `boxes` and `browser`.
DestinationChoice RunQuery(const ContentListRequest& request, const DestinationAnswers& answers,
                           IMessageBoxService& boxes, IFolderBrowser& browser,
                           const std::atomic<bool>& controlGone) {
    DestinationChoice choice;
    CStandinDestinationContext context(request, boxes, browser, controlGone);
    CDestinationQuery query(context);
    if (!query.ChooseDestination()) {
        choice.whyNot = controlGone ? "the control has gone"
                        : context.Errors().errorCode == errcode::kCancelled
                            ? "the download folder was not chosen"
                            : "the download folder could not be asked for";
        return choice;
    }
    choice.chosen = true;
    choice.folder = context.Folder();
    choice.resumeAllowed = context.ResumeAllowed();
    if (!choice.resumeAllowed) {
        const std::vector<std::string> partials = RecordedPartials(request);
        if (!partials.empty()) choice.resumeAllowed = ResumePartials(partials, answers, context);
    }
    return choice;
}

bool HasDisplay() {
    return HasWindowDisplay(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
}

}  // namespace

DestinationAnswers DestinationAnswersFromEnvironment(std::string& warning) {
    DestinationAnswers answers;
    if (const char* folder = std::getenv("KIVDL_DESTINATION")) answers.destination = folder;
    if (const char* existing = std::getenv("KIVDL_EXISTING")) {
        const std::string value = existing;
        if (value == "resume") {
            answers.existing = ExistingFiles::Resume;
        } else if (value == "restart") {
            answers.existing = ExistingFiles::Restart;
        } else if (!value.empty()) {
            warning = "KIVDL_EXISTING must be resume or restart, not \"" + value +
                      "\"; the question is asked instead";
        }
    }
    return answers;
}

DestinationChoice AskDestination(const ContentListRequest& request,
                                 const DestinationAnswers& answers, const CControlWatch& watch) {
    const CQuestionInput terminal;
    if (terminal.Fd() < 0 && HasDisplay()) {
        // Qt is loaded only now, for a question shown in a window.
        std::string error;
        const WindowFrontEndApi* library = WindowFrontEndLibrary(error);
        if (library == nullptr) {
            DestinationChoice choice;
            choice.whyNot = error;
            return choice;
        }
        const std::unique_ptr<IWindowQuestions> windows =
            library->makeWindowQuestions(answers.destination, answers.existing);
        const CQuestionWatchdog watchdog(watch, [&windows] { windows->Interrupt(); });
        return RunQuery(request, answers, windows->Boxes(), windows->Folders(),
                        watchdog.ControlGone());
    }
    if (answers.destination.empty() && terminal.Fd() < 0) {
        DestinationChoice choice;
        choice.whyNot =
            "no terminal or display to ask for the download folder and "
            "KIVDL_DESTINATION is not set";
        return choice;
    }
    kivterm::CTerminalConsole console(QuestionIo(terminal.Fd()));
    kivterm::TerminalOptions options;
    options.destination = answers.destination;
    options.existing = answers.existing;
    kivterm::CTerminalMessageBoxService boxes(console, options);
    kivterm::CTerminalFolderBrowser browser(console, options);
    const CQuestionWatchdog watchdog(watch, [&console] { console.InterruptQuestion(); });
    return RunQuery(request, answers, boxes, browser, watchdog.ControlGone());
}
