#pragma once
// The download dialog drawn as text (UTF-8) from its model. On a terminal:
// a live display of one or two lines that fit the width,
//
//   (1/3) manual.pdf [#########-----------] 800 KB / 2,500 KB (32% completed)
//   Overall progress [######--------------] 1 / 3  About 1,234KB/sec  About  1 min  5 sec
//
// where the file name is shortened first, then the bars and labels go, and
// the byte text with its percentage stays. Elsewhere (a log, a pipe, TERM=dumb):
// a plain progress line now and then, with no escape sequences.
#include <cstddef>
#include <string>
#include <vector>

#include "frontends/terminal/TerminalLabels.h"
#include "ui/text/DownloadDialogModel.h"

namespace kivterm {

class CTerminalDialogView {
public:
    explicit CTerminalDialogView(TerminalLabels labels) : labels_(std::move(labels)) {}

    // `tick` moves the block of a busy bar.
    std::vector<std::string> Live(const kivui::CDownloadDialogModel& model, std::size_t columns,
                                  unsigned tick) const;
    // The file, its byte text, the overall count, the rate and the time, in one line.
    std::string ProgressLine(const kivui::CDownloadDialogModel& model) const;
    // "About Kiv Downloader: <help link>".
    std::string LinkLine(const std::string& helpLink) const;
    // A busy bar is shown: the display changes with every tick.
    static bool Animates(const kivui::CDownloadDialogModel& model);

private:
    std::string FileLine(const kivui::CDownloadDialogModel& model, std::size_t columns,
                         unsigned tick) const;
    std::string OverallLine(const kivui::CDownloadDialogModel& model, std::size_t columns,
                            unsigned tick) const;

    TerminalLabels labels_;
};

// A bar of `cells` characters: '#' for the filled part, '-' for the rest; a
// busy bar is a block of a tenth of its width moving one cell per tick.
std::string DrawBar(const kivui::DialogBar& bar, std::size_t cells, unsigned tick);

}  // namespace kivterm
