#pragma once
// The download dialog drawn as text (UTF-8): a frame of lines for a terminal
// that is redrawn in place, or one plain line for output that is not a
// terminal (a log, a pipe).
//
//   Downloading file(s).(1/3)
//   File name: a.bin
//   Currently progress   [######--------------] 800 byte(s) / 2,500 byte(s) (32% completed)
//   Overall progress     [######--------------] 1 / 3
//   Transfer speed       About 1,234KB/sec
//   Download complete in About  1 min  5 sec
#include <cstddef>
#include <string>
#include <vector>

#include "host/TerminalDialogModel.h"
#include "host/TerminalLabels.h"

namespace kivterm {

class CTerminalDialogView {
public:
    CTerminalDialogView(TerminalLabels labels, std::string helpLink)
        : labels_(std::move(labels)), helpLink_(std::move(helpLink)) {}

    // `tick` moves the block of a busy bar.
    std::vector<std::string> Frame(const CTerminalDialogModel& model, std::size_t columns,
                                   unsigned tick) const;
    // Everything that has a text, in one line joined by " | ". Without
    // `progress` only the status, the file and the overall count: when the
    // file changes, the byte counts still are the previous file's.
    std::string PlainLine(const CTerminalDialogModel& model, bool progress = true) const;
    // "About Kiv Downloader: <help link>"; empty while the link is hidden or there is none.
    std::string LinkLine(const CTerminalDialogModel& model) const;
    // A busy bar is shown: the frame changes with every tick.
    static bool Animates(const CTerminalDialogModel& model);

private:
    TerminalLabels labels_;
    std::string helpLink_;
};

// A bar of `cells` characters: '#' for the filled part, '-' for the rest; a
// busy bar is a block of a tenth of its width moving one cell per tick.
std::string DrawBar(const TerminalBar& bar, std::size_t cells, unsigned tick);

}  // namespace kivterm
