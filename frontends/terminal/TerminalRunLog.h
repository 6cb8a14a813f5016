#pragma once
// The terminal's account of a run: one line per file event on the error
// output (started, retrying with its reason and attempt, done, verified,
// broken), the HTTP exchange with --verbose, everything also in the --log
// file, and the summary printed on the standard output at the end:
//
//   manual.pdf  2.4M  SHA-256 verified  /home/user/Downloads/manual.pdf
//
// (or "not checked", "broken, deleted", "incomplete" for a file whose
// download was started but did not end, "stopped, not kept" when nothing of
// it is left; the path only of a file that is there), a line for each file of someone
// else's that was moved out of a download's way,
//   Kept: manual.pdf was already there, not from this download: /home/user/Downloads/manual (1).pdf
//   Downloaded: 3 files, 32M in 7.0s (4.6M/s)
//
// The engine reports on its worker thread, the dialog and the boxes on the
// window thread: every entry point takes the lock.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "frontends/terminal/TerminalConsole.h"
#include "transfer/RunReport.h"

namespace kivterm {

struct RunLogOptions {
    bool quiet = false;    // only errors and the summary
    bool verbose = false;  // the HTTP exchange too
    int logFd = -1;        // a copy of every line, with the time; -1: none
};

class CTerminalRunLog : public kivtransfer::IRunReport {
public:
    CTerminalRunLog(CTerminalConsole& console, const RunLogOptions& options);

    // --- IRunReport (worker thread)
    void FileStarted(const kivtransfer::CONTENTDATA& item, std::size_t index,
                     std::size_t count) override;
    void FileRetrying(const kivtransfer::CONTENTDATA& item, const kivtransfer::ErrorState& failure,
                      int attempt, int attempts) override;
    void FileDone(const kivtransfer::CONTENTDATA& item, std::uint64_t received) override;
    void FileStopped(const kivtransfer::CONTENTDATA& item, std::uint64_t received) override;
    void FileVerified(const kivtransfer::CONTENTDATA& item, bool matches) override;
    void FilePlaced(const kivtransfer::CONTENTDATA& item) override;
    void FileKeptAside(const kivtransfer::CONTENTDATA& item) override;
    void HttpDetail(const std::string& line) override;

    // A line of the run's own (UTF-8): shown unless quiet, logged. With
    // Layout::Kept (a box's text) its line breaks stay.
    void Note(const std::string& utf8, Layout layout = Layout::Shown);
    // An error's text (UTF-8): always shown, logged; with `withUrl` followed
    // by the URL of the file whose download was under way, if any.
    void Error(const std::string& utf8, bool withUrl);
    // The summary's lines (UTF-8), empty when no file was started.
    // `brokenDeleted`: the run's broken files were deleted.
    std::string Summary(bool brokenDeleted) const;

    static std::string SizeText(std::uint64_t bytes);
    static std::string DurationText(double seconds);

private:
    struct Entry {
        std::string source;  // the item's own name and address, to find it again
        std::string name;    // UTF-8
        std::string url;     // UTF-8, without a password
        std::string path;    // native, UTF-8
        std::string hash;
        std::uint64_t size = 0;
        std::uint64_t received = 0;
        int attempts = 0;  // of this file's download in this run
        bool done = false;
        bool checked = false;
        bool matches = false;
        std::chrono::steady_clock::time_point started;
    };
    Entry* Find(const kivtransfer::CONTENTDATA& item);
    void ShowLocked(const std::string& utf8, bool always, Layout layout = Layout::Shown);
    void LogLocked(const std::string& utf8);
    std::string StatusOf(const Entry& entry, bool brokenDeleted) const;

    CTerminalConsole& console_;
    const RunLogOptions options_;
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::vector<std::string> keptAside_;  // the summary's "Kept:" lines
    std::string lastRequestUrl_;          // of the last request sent, for an error before any file
    std::chrono::steady_clock::time_point firstStart_;
    std::chrono::steady_clock::time_point lastEvent_;
};

}  // namespace kivterm
