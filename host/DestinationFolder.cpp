#include "host/DestinationFolder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "frontends/terminal/TerminalText.h"
#include "host/HostText.h"

namespace {

bool ReadAnswer(std::string& line) {
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(0, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return !line.empty();
        if (c == '\n') return true;
        if (line.size() < 256) line += c;
    }
}

void WriteErr(const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t put = ::write(2, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        done += static_cast<std::size_t>(put);
    }
}

}  // namespace

bool EnsureDestinationFolder(const std::string& folder, bool assumeYes, const YesNoQuestion& ask,
                             std::string& error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::file_status status = fs::status(folder, failure);
    if (fs::is_directory(status)) return true;
    const std::string shown = kivterm::VisibleControls(folder, kivterm::Layout::Shown);
    if (fs::exists(status) || (failure && failure != std::errc::no_such_file_or_directory)) {
        error = HostText(textid::kNotAFolder, {shown});
        return false;
    }
    if (!assumeYes && (!ask || !ask(HostText(textid::kCreateFolderQuestion, {shown})))) {
        error = HostText(textid::kFolderNotCreated, {shown});
        return false;
    }
    // Made as any new folder of the user's (0777 less the umask), as mkdir -p does.
    fs::create_directories(folder, failure);
    if (failure || !fs::is_directory(folder, failure)) {
        error = HostText(textid::kCannotCreateFolder,
                         {shown, failure ? failure.message() : std::string(std::strerror(EEXIST))});
        return false;
    }
    return true;
}

YesNoQuestion TerminalYesNoQuestion() {
    if (::isatty(0) == 0) return {};
    return [](const std::string& question) {
        WriteErr(question + " [y/N] ");
        std::string line;
        if (!ReadAnswer(line)) {
            WriteErr("\n");
            return false;
        }
        const std::size_t first = line.find_first_not_of(" \t");
        return first != std::string::npos && (line[first] == 'y' || line[first] == 'Y');
    };
}
