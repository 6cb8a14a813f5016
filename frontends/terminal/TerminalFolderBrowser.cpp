#include "frontends/terminal/TerminalFolderBrowser.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "env/ItemIDList.h"
#include "frontends/terminal/TerminalLabels.h"
#include "frontends/terminal/TerminalQuestionWindow.h"
#include "frontends/terminal/TerminalText.h"
#include "platform/NativePath.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace kivterm {

namespace {

std::string NativeFolderOf(const KIVTOOLCommon::CItemIDList& list) {
    std::string windowsPath;
    std::string native;
    if (!list.GetPath(windowsPath) || !win::ToNativePath(windowsPath, native)) return std::string();
    return native;
}

std::string ExpandedPath(const std::string& typed) {
    namespace fs = std::filesystem;
    std::string text = typed;
    const char* home = std::getenv("HOME");
    if (home != nullptr && (text == "~" || text.rfind("~/", 0) == 0)) {
        text = std::string(home) + text.substr(1);
    }
    fs::path path(text);
    if (path.is_relative()) {
        std::error_code error;
        path = fs::current_path(error) / path;
        if (error) return std::string();
    }
    std::string normal = path.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Why the control could not take `folder` (native), as far as this process can tell.
std::string WhyNotWritable(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return errno == ENOENT ? TerminalString(textid::kTermNoSuchFolder) : std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) return std::strerror(ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return TerminalString(textid::kTermNoNewFiles);  // root on a read-only file system or /proc
}

bool IsYes(const std::string& line) {
    const std::string answer = Trimmed(line);
    return answer.empty() || answer[0] == 'y' || answer[0] == 'Y';
}

}  // namespace

bool FolderFromTyped(const std::string& typed, KIVTOOLCommon::CItemIDList& folder) {
    const std::string native = ExpandedPath(Trimmed(typed));
    std::string windowsPath;
    return !native.empty() && win::FromNativePath(native, windowsPath) &&
           folder.FromPath(windowsPath);
}

int CTerminalFolderBrowser::Browse(win::HWND /*owner*/, const std::string& prompt,
                                   unsigned /*flags*/,
                                   const KIVTOOLCommon::CItemIDList& initialSelection,
                                   KIVTOOLCommon::CItemIDList& result) {
    CTerminalQuestionWindow window(console_, res::LoadString(textid::kBrowseForFolder), IDCANCEL);
    const std::string initialFolder = NativeFolderOf(initialSelection);
    if (!optionUsed_.exchange(true)) {
        const std::string given = !options_.destination.empty() ? options_.destination
                                  : options_.assumeYes          ? initialFolder
                                                                : std::string();
        if (!given.empty()) {
            std::lock_guard lock(mutex_);
            given_ = ExpandedPath(Trimmed(given));
            if (given_.empty()) given_ = given;
        }
        // One that is no folder path at all counts as refused.
        if (!given.empty() && Answer(prompt, given, result) == IDOK) return IDOK;
    }
    if (options_.assumeYes || !console_.Interactive()) {
        // Nobody to answer again: cancelled, so the control's refusal cannot
        // loop; the folder given was refused, and the run has failed.
        {
            std::lock_guard lock(mutex_);
            if (!given_.empty() && refusal_.empty()) {
                refusal_ = TerminalString(textid::kTermCannotDownloadInto,
                                          {VisibleControls(given_, Layout::Shown),
                                           WhyNotWritable(given_)});
            }
        }
        if (!options_.quiet) {
            console_.WriteErr(ToTerminal(prompt) + "\n" +
                              ToTerminal(res::LoadString(textid::kButtonCancel)) + "\n");
        }
        return IDCANCEL;
    }
    return AskUser(prompt, initialFolder, window, result);
}

std::string CTerminalFolderBrowser::Refusal() const {
    std::lock_guard lock(mutex_);
    return refusal_;
}

int CTerminalFolderBrowser::Answer(const std::string& prompt, const std::string& folder,
                                   KIVTOOLCommon::CItemIDList& result) {
    if (!options_.quiet) console_.WriteErr(ToTerminal(prompt) + "\n" + folder + "\n");
    if (FolderFromTyped(folder, result)) return IDOK;
    console_.WriteErr(ToTerminal(res::LoadString(textid::kNotWritable)) + "\n");
    return IDCANCEL;
}

int CTerminalFolderBrowser::AskUser(const std::string& prompt, const std::string& initialFolder,
                                    CTerminalQuestionWindow& window,
                                    KIVTOOLCommon::CItemIDList& result) {
    console_.WritePrompt(ToTerminal(res::LoadString(textid::kBrowseForFolder)) + ": " +
                         ToTerminal(prompt) + "\n" + TerminalString(textid::kTermFolderHint) +
                         "\n");
    for (;;) {
        console_.WritePrompt("[" + initialFolder + "]: ");
        std::string line;
        const WaitEnd end = console_.ReadLine(window.State(), line);
        if (end != WaitEnd::Answered) {
            console_.WritePrompt("\n");
            return IDCANCEL;
        }
        const std::string typed = Trimmed(line).empty() ? initialFolder : line;
        if (typed.empty() || !FolderFromTyped(typed, result)) {
            console_.WritePrompt(ToTerminal(res::LoadString(textid::kNotWritable)) + "\n");
            continue;
        }
        const Offer offer = OfferToCreate(typed, window);
        if (offer == Offer::Cancelled) return IDCANCEL;
        if (offer == Offer::Taken) return IDOK;
    }
}

CTerminalFolderBrowser::Offer CTerminalFolderBrowser::OfferToCreate(
    const std::string& typed, CTerminalQuestionWindow& window) {
    namespace fs = std::filesystem;
    const std::string folder = ExpandedPath(Trimmed(typed));
    std::error_code failure;
    if (folder.empty() || fs::exists(fs::symlink_status(folder, failure))) return Offer::Taken;
    std::string shownFolder;
    // The question's %s takes the process code page, as the table's text does.
    if (!FromTerminal(VisibleControls(folder, Layout::Shown), shownFolder)) shownFolder = "?";
    console_.WritePrompt(
        ToTerminal(res::FormatString(textid::kCreateFolderQuestion, {shownFolder})) + " [Y/n]: ");
    std::string line;
    if (console_.ReadLine(window.State(), line) != WaitEnd::Answered) {
        console_.WritePrompt("\n");
        return Offer::Cancelled;
    }
    if (!IsYes(line)) return Offer::Again;
    // Made as any new folder of the user's (0777 less the umask), as mkdir -p does.
    fs::create_directories(folder, failure);
    if (failure || !fs::is_directory(folder)) {
        console_.WritePrompt(
            ToTerminal(res::FormatString(
                textid::kCannotCreateFolder,
                {shownFolder, failure ? failure.message() : std::string(std::strerror(EEXIST))})) +
            "\n");
        return Offer::Again;
    }
    return Offer::Taken;
}

}  // namespace kivterm
