#include "frontends/terminal/TerminalFolderBrowser.h"

#include <cstdlib>
#include <filesystem>

#include "env/ItemIDList.h"
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
        // One that is no folder path at all counts as refused.
        if (!given.empty() && Answer(prompt, given, result) == IDOK) return IDOK;
    }
    if (options_.assumeYes || !console_.Interactive()) {
        // Nobody to answer again: cancelled, so the control's refusal cannot loop.
        if (!options_.quiet) {
            console_.WriteErr(ToTerminal(prompt) + "\n" +
                              ToTerminal(res::LoadString(textid::kButtonCancel)) + "\n");
        }
        return IDCANCEL;
    }
    return AskUser(prompt, initialFolder, window, result);
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
                         ToTerminal(prompt) + "\n");
    for (;;) {
        console_.WritePrompt("[" + initialFolder + "]: ");
        std::string line;
        const WaitEnd end = console_.ReadLine(window.State(), line);
        if (end != WaitEnd::Answered) {
            console_.WritePrompt("\n");
            return IDCANCEL;
        }
        const std::string typed = Trimmed(line).empty() ? initialFolder : line;
        if (!typed.empty() && FolderFromTyped(typed, result)) return IDOK;
        console_.WritePrompt(ToTerminal(res::LoadString(textid::kNotWritable)) + "\n");
    }
}

}  // namespace kivterm
