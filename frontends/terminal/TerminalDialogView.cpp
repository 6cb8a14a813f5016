#include "frontends/terminal/TerminalDialogView.h"

#include <algorithm>

#include "frontends/terminal/TerminalText.h"

namespace kivterm {

namespace {

constexpr std::size_t kBarCells = 20;
constexpr std::size_t kMinBarCells = 6;
constexpr std::size_t kMinNameColumns = 8;

void AddPart(std::string& line, const std::string& part, const char* separator) {
    if (part.empty()) return;
    if (!line.empty()) line += separator;
    line += part;
}

// "(n/N) " while files are counted.
std::string Counter(const kivui::CDownloadDialogModel& model) {
    if (model.Overall().text.empty()) return std::string();
    return "(" + std::to_string(model.FilesCounted()) + "/" + std::to_string(model.FilesInRange()) +
           ") ";
}

// The first of `candidates` that fits, else the last one cut to the width.
std::string FirstThatFits(const std::vector<std::string>& candidates, std::size_t columns) {
    for (const std::string& candidate : candidates) {
        if (DisplayWidth(candidate) <= columns) return candidate;
    }
    return FitToWidth(candidates.back(), columns);
}

}  // namespace

std::string DrawBar(const kivui::DialogBar& bar, std::size_t cells, unsigned tick) {
    std::string drawn(cells, '-');
    if (cells == 0) return drawn;
    if (bar.busy) {
        const std::size_t block = std::max<std::size_t>(1, cells / 10);
        for (std::size_t i = 0; i < block; ++i) drawn[(tick + i) % cells] = '#';
        return drawn;
    }
    const auto percent = static_cast<std::size_t>(std::clamp(bar.percent, 0, 100));
    std::fill_n(drawn.begin(), cells * percent / 100, '#');
    return drawn;
}

std::vector<std::string> CTerminalDialogView::Live(const kivui::CDownloadDialogModel& model,
                                                   std::size_t columns, unsigned tick) const {
    std::vector<std::string> lines;
    const std::string first = FileLine(model, columns, tick);
    if (!first.empty()) lines.push_back(first);
    const std::string second = OverallLine(model, columns, tick);
    if (!second.empty()) lines.push_back(second);
    return lines;
}

std::string CTerminalDialogView::FileLine(const kivui::CDownloadDialogModel& model,
                                          std::size_t columns, unsigned tick) const {
    if (!model.FileShown()) {
        return model.StatusShown() ? FitToWidth(ToTerminal(model.StatusLine()), columns)
                                   : std::string();
    }
    const kivui::DialogBar current = model.Current();
    const std::string counter = Counter(model);
    const std::string text = current.shown ? ToTerminal(current.text) : std::string();
    const std::string bar = current.shown && (current.busy || !text.empty())
                                ? "[" + DrawBar(current, kBarCells, tick) + "]"
                                : std::string();
    // What must stay: the counter and the byte text with its percentage.
    const std::size_t fixed = DisplayWidth(counter) + DisplayWidth(text) + 1;
    const std::size_t barWidth = bar.empty() ? 0 : kBarCells + 3;
    const std::string name = ToTerminal(model.FileName());
    const std::size_t nameRoom = columns > fixed + barWidth ? columns - fixed - barWidth : 0;
    std::string line = counter;
    if (nameRoom >= std::min(kMinNameColumns, DisplayWidth(name))) {
        line += ShortenMiddle(name, nameRoom);
        AddPart(line, bar, " ");
    } else if (columns > fixed + kMinNameColumns) {
        line += ShortenMiddle(name, columns - fixed);  // the bar goes first
    }
    AddPart(line, text, " ");
    if (text.empty()) return FirstThatFits({line, counter}, columns);
    const std::string percent = std::to_string(current.percent) + "%";
    return FirstThatFits({line, counter + text, text, counter + percent, percent}, columns);
}

std::string CTerminalDialogView::OverallLine(const kivui::CDownloadDialogModel& model,
                                             std::size_t columns, unsigned tick) const {
    const kivui::DialogBar overall = model.Overall();
    const bool counting = overall.shown && (overall.busy || !overall.text.empty());
    if (!counting && model.RateText().empty() && model.TimeText().empty()) return std::string();
    const std::string label = ToTerminal(labels_.overallProgress);
    const std::string count = ToTerminal(overall.text);
    const std::string rate = ToTerminal(model.RateText());
    const std::string time = ToTerminal(model.TimeText());
    const std::string timeLabel = ToTerminal(model.TimeLabel());
    std::string figures;
    AddPart(figures, rate, "  ");
    if (!time.empty()) AddPart(figures, timeLabel + " " + time, "  ");
    std::string shortFigures;
    AddPart(shortFigures, rate, "  ");
    AddPart(shortFigures, time, "  ");
    if (!counting) return FirstThatFits({figures, shortFigures}, columns);

    const std::size_t besideBar =
        DisplayWidth(label) + DisplayWidth(count) + DisplayWidth(shortFigures) + 8;
    const std::size_t cells =
        std::min(kBarCells, columns > besideBar ? columns - besideBar : std::size_t{0});
    std::vector<std::string> candidates;
    if (cells >= kMinBarCells) {
        std::string full = label + " [" + DrawBar(overall, cells, tick) + "]";
        AddPart(full, count, " ");
        std::string shorter = full;
        AddPart(full, figures, "  ");
        AddPart(shorter, shortFigures, "  ");
        candidates.push_back(full);
        candidates.push_back(shorter);
    }
    std::string withLabel = label;
    AddPart(withLabel, count, " ");
    AddPart(withLabel, figures, "  ");
    candidates.push_back(withLabel);
    std::string plain = count;
    AddPart(plain, shortFigures, "  ");
    candidates.push_back(plain);
    return FirstThatFits(candidates, columns);
}

std::string CTerminalDialogView::ProgressLine(const kivui::CDownloadDialogModel& model) const {
    std::string line;
    if (model.FileShown()) {
        line = ToTerminal(model.FileName());
        const std::string text = ToTerminal(model.Current().text);
        if (!text.empty()) line += ": " + text;
    } else if (model.StatusShown()) {
        line = ToTerminal(model.StatusLine());
    }
    const kivui::DialogBar overall = model.Overall();
    if (overall.shown && !overall.text.empty()) {
        AddPart(line, ToTerminal(labels_.overallProgress) + " " + ToTerminal(overall.text), ", ");
    }
    AddPart(line, ToTerminal(model.RateText()), ", ");
    if (!model.TimeText().empty()) {
        AddPart(line, ToTerminal(model.TimeLabel()) + " " + ToTerminal(model.TimeText()), ", ");
    }
    return line;
}

std::string CTerminalDialogView::LinkLine(const std::string& helpLink) const {
    if (helpLink.empty()) return std::string();
    return ToTerminal(labels_.aboutLink) + ": " + ToTerminal(helpLink);
}

bool CTerminalDialogView::Animates(const kivui::CDownloadDialogModel& model) {
    const kivui::DialogBar overall = model.Overall();
    return (model.Current().shown && model.Current().busy && model.FileShown()) ||
           (overall.shown && overall.busy);
}

}  // namespace kivterm
