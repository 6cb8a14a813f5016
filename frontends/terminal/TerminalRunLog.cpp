#include "frontends/terminal/TerminalRunLog.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <sys/stat.h>

#include "control/ErrorCodeTexts.h"
#include "control/ErrorMessage.h"
#include "env/Locations.h"
#include "frontends/terminal/TerminalLabels.h"
#include "frontends/terminal/TerminalText.h"
#include "platform/NativePath.h"
#include "resources/StringIds.h"

using kivcontrol::CodeTag;
using kivcontrol::CodeText;
using kivcontrol::TextForCode;

using kivtransfer::CONTENTDATA;
using kivtransfer::ErrorState;

namespace kivterm {

namespace {

constexpr const char* kUnits[] = {"K", "M", "G", "T", "P"};

std::string NativePathOf(const std::string& windowsPath) {
    std::string native;
    return ToTerminal(win::ToNativePath(windowsPath, native) ? native : windowsPath);
}

std::string Padded(const std::string& utf8, std::size_t columns) {
    const std::size_t width = DisplayWidth(utf8);
    return width >= columns ? utf8 : utf8 + std::string(columns - width, ' ');
}

std::string RightAligned(const std::string& text, std::size_t columns) {
    return text.size() >= columns ? text : std::string(columns - text.size(), ' ') + text;
}

std::string Text(unsigned id, std::initializer_list<res::FormatArg> args = {}) {
    return TerminalString(id, args);
}

std::string FailureText(const ErrorState& failure) {
    const CodeText code = TextForCode(failure);
    std::string text = code.text;
    if (code.systemText && failure.lastError != 0) {
        text += env::GetSystemErrorText(failure.lastError);
    }
    text = PlainLineEnds(ToTerminal(text));
    if (!text.empty()) text += ' ';
    return text + ToTerminal(CodeTag(failure.errorCode, failure.lastError));
}

bool Exists(const std::string& nativePath) {
    struct stat info {};
    return !nativePath.empty() && ::lstat(nativePath.c_str(), &info) == 0;
}

// A user name and password in an address stay out of the terminal and the log.
std::string WithoutCredentials(const std::string& text) {
    const std::size_t scheme = text.find("://");
    if (scheme == std::string::npos) return text;
    const std::size_t host = scheme + 3;
    const std::size_t end = text.find_first_of("/?# ", host);
    const std::size_t at = text.rfind('@', end == std::string::npos ? text.size() : end);
    if (at == std::string::npos || at < host) return text;
    return text.substr(0, host) + "***@" + text.substr(at + 1);
}

void WriteAllTo(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written <= 0) return;  // a log that cannot be written is not the run's failure
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace

CTerminalRunLog::CTerminalRunLog(CTerminalConsole& console, const RunLogOptions& options)
    : console_(console), options_(options) {}

std::string CTerminalRunLog::SizeText(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + "B";
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.1f%s" : "%.0f%s", value, kUnits[unit]);
    return text;
}

std::string CTerminalRunLog::DurationText(double seconds) {
    char text[48];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%.1fs", seconds);
    } else {
        const auto whole = static_cast<std::uint64_t>(seconds);
        if (whole < 3600) {
            std::snprintf(text, sizeof text, "%" PRIu64 "m %" PRIu64 "s", whole / 60, whole % 60);
        } else {
            std::snprintf(text, sizeof text, "%" PRIu64 "h %" PRIu64 "m", whole / 3600,
                          whole % 3600 / 60);
        }
    }
    return text;
}

CTerminalRunLog::Entry* CTerminalRunLog::Find(const CONTENTDATA& item) {
    const std::string source = item.name + '\n' + item.url;
    for (Entry& entry : entries_) {
        if (entry.source == source) return &entry;
    }
    return nullptr;
}

void CTerminalRunLog::FileStarted(const CONTENTDATA& item, std::size_t index, std::size_t count) {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (entries_.empty()) firstStart_ = now;
    lastEvent_ = now;
    Entry* entry = Find(item);
    if (entry == nullptr) entry = &entries_.emplace_back();
    entry->source = item.name + '\n' + item.url;
    entry->name = ToTerminal(item.name);
    entry->url = WithoutCredentials(ToTerminal(item.url));
    entry->path = NativePathOf(item.localPath);
    entry->hash = item.hash;
    entry->size = item.size;
    entry->started = now;
    entry->attempts = 1;
    std::string line = "(" + std::to_string(index + 1) + "/" + std::to_string(count) + ") ";
    if ((item.flags & CDF_COMPLETE) != 0) {
        line += Text(textid::kTermAlreadyComplete, {entry->name});
        // A file found complete without a record of ours was taken only
        // after its hash matched the page's.
        if (!item.hash.empty() && (item.flags & CDF_UNRECORDED) != 0) {
            entry->checked = true;
            entry->matches = true;
        }
    } else {
        const std::string size =
            item.size != 0 ? SizeText(item.size) : Text(textid::kTermSizeUnknown);
        line += Text((item.flags & CDF_RESUME) != 0 ? textid::kTermResuming
                                                    : textid::kTermDownloading,
                     {entry->name, size, entry->url});
    }
    ShowLocked(line, false);
}

void CTerminalRunLog::FileRetrying(const CONTENTDATA& item, const ErrorState& failure, int attempt,
                                   int attempts) {
    std::lock_guard lock(mutex_);
    lastEvent_ = std::chrono::steady_clock::now();
    // The limit counts failures in a row; bytes that arrive start it over,
    // so the file's own count of attempts is shown beside it when they differ.
    Entry* entry = Find(item);
    const int fileAttempt = entry != nullptr ? ++entry->attempts : attempt;
    const std::string name = ToTerminal(item.name);
    ShowLocked(fileAttempt > attempt
                   ? Text(textid::kTermRetryingInARow,
                          {name, fileAttempt, attempt, attempts, FailureText(failure)})
                   : Text(textid::kTermRetrying, {name, attempt, attempts, FailureText(failure)}),
               false);
}

void CTerminalRunLog::FileDone(const CONTENTDATA& item, std::uint64_t received) {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    lastEvent_ = now;
    Entry* entry = Find(item);
    if (entry == nullptr) return;
    entry->done = true;
    entry->received = received;
    entry->path = NativePathOf(item.localPath);
    const double seconds = std::chrono::duration<double>(now - entry->started).count();
    ShowLocked(Text(textid::kTermDone, {entry->name, SizeText(received), DurationText(seconds)}),
               false);
}

void CTerminalRunLog::FileStopped(const CONTENTDATA& item, std::uint64_t received) {
    std::lock_guard lock(mutex_);
    lastEvent_ = std::chrono::steady_clock::now();
    if (Entry* entry = Find(item)) {
        entry->received = received;
        entry->path = NativePathOf(item.localPath);
    }
}

void CTerminalRunLog::FileVerified(const CONTENTDATA& item, bool matches) {
    std::lock_guard lock(mutex_);
    lastEvent_ = std::chrono::steady_clock::now();
    Entry* entry = Find(item);
    if (entry != nullptr) {
        entry->checked = true;
        entry->matches = matches;
    }
    const std::string name = ToTerminal(item.name);
    ShowLocked(Text(matches ? textid::kTermVerified : textid::kTermBroken, {name}), !matches);
}

void CTerminalRunLog::FilePlaced(const CONTENTDATA& item) {
    std::lock_guard lock(mutex_);
    if (Entry* entry = Find(item)) entry->path = NativePathOf(item.localPath);
}

void CTerminalRunLog::FileKeptAside(const CONTENTDATA& item) {
    std::lock_guard lock(mutex_);
    std::string folder = NativePathOf(item.localPath);
    folder.erase(folder.rfind('/') + 1);
    const std::string name = ToTerminal(item.name);
    const std::string kept = folder + ToTerminal(item.keptAsideAs);
    keptAside_.push_back(Text(textid::kTermKeptLine, {name, kept}));
    ShowLocked(Text(textid::kTermKeptAsideLine, {name, kept}), false);
}

void CTerminalRunLog::HttpDetail(const std::string& line) {
    std::lock_guard lock(mutex_);
    const std::string utf8 = WithoutCredentials(ToTerminal(line));
    for (const char* verb : {"GET ", "HEAD "}) {
        if (utf8.starts_with(verb)) lastRequestUrl_ = utf8.substr(std::string_view(verb).size());
    }
    if (options_.verbose) {
        ShowLocked(utf8, false);
    } else {
        LogLocked(utf8);
    }
}

void CTerminalRunLog::Note(const std::string& utf8, Layout layout) {
    std::lock_guard lock(mutex_);
    ShowLocked(utf8, false, layout);
}

void CTerminalRunLog::Error(const std::string& utf8, bool withUrl) {
    std::lock_guard lock(mutex_);
    std::string text = utf8;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    const auto unfinished = std::find_if(entries_.rbegin(), entries_.rend(),
                                         [](const Entry& entry) { return !entry.done; });
    // The file under way; before any, the address whose request failed.
    const std::string url = unfinished != entries_.rend() ? unfinished->url
                            : entries_.empty()            ? lastRequestUrl_
                                                          : std::string();
    if (withUrl && !url.empty()) text += "\nURL: " + VisibleControls(url, Layout::Shown);
    ShowLocked(text, true, Layout::Kept);  // a box's own line breaks stay
}

void CTerminalRunLog::ShowLocked(const std::string& utf8, bool always, Layout layout) {
    const std::string shown = VisibleControls(PlainLineEnds(utf8), layout);
    LogLocked(shown);
    if (always || !options_.quiet) console_.WriteLine(shown, Layout::Kept);
}

void CTerminalRunLog::LogLocked(const std::string& utf8) {
    if (options_.logFd < 0) return;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
    WriteAllTo(options_.logFd, stamp + VisibleControls(utf8, Layout::Kept) + "\n");
}

std::string CTerminalRunLog::StatusOf(const Entry& entry, bool brokenDeleted) const {
    if (entry.checked && !entry.matches) {
        return Text(brokenDeleted ? textid::kTermStatusBrokenDeleted : textid::kTermStatusBroken);
    }
    if (entry.checked) return Text(textid::kTermStatusVerified);
    if (entry.done) return Text(textid::kTermStatusNotChecked);
    // A download that stopped may have left nothing (a full disk's file is deleted).
    return Text(Exists(entry.path) ? textid::kTermStatusIncomplete : textid::kTermStatusNotKept);
}

std::string CTerminalRunLog::Summary(bool brokenDeleted) const {
    std::lock_guard lock(mutex_);
    if (entries_.empty() && keptAside_.empty()) return std::string();
    std::size_t nameWidth = 0;
    std::size_t sizeWidth = 0;
    std::size_t statusWidth = 0;
    for (const Entry& entry : entries_) {
        nameWidth = std::max(nameWidth, DisplayWidth(entry.name));
        sizeWidth = std::max(sizeWidth, SizeText(entry.size).size());
        statusWidth = std::max(statusWidth, DisplayWidth(StatusOf(entry, brokenDeleted)));
    }
    std::string summary;
    std::size_t files = 0;
    std::uint64_t received = 0;
    for (const Entry& entry : entries_) {
        // Only a file that is there is named.
        const std::string path = Exists(entry.path) ? entry.path : std::string();
        std::string line = Padded(entry.name, nameWidth) + "  " +
                           RightAligned(entry.size != 0 ? SizeText(entry.size) : "?", sizeWidth) +
                           "  " + Padded(StatusOf(entry, brokenDeleted), statusWidth) + "  " + path;
        while (line.ends_with(' ')) line.pop_back();
        summary += line + "\n";
        if (entry.done) ++files;
        received += entry.received;
    }
    for (const std::string& kept : keptAside_)
        summary += VisibleControls(kept, Layout::Shown) + "\n";
    const double seconds =
        std::max(std::chrono::duration<double>(lastEvent_ - firstStart_).count(), 0.001);
    const std::string rate =
        SizeText(static_cast<std::uint64_t>(static_cast<double>(received) / seconds));
    summary += files == 1 ? Text(textid::kTermTotalOne,
                                 {SizeText(received), DurationText(seconds), rate})
                          : Text(textid::kTermTotalMany, {static_cast<std::uint64_t>(files),
                                                          SizeText(received),
                                                          DurationText(seconds), rate});
    summary += "\n";
    return summary;
}

}  // namespace kivterm
