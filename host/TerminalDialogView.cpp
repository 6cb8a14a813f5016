#include "host/TerminalDialogView.h"

#include <algorithm>

#include "host/TerminalText.h"

namespace kivterm {

namespace {

constexpr std::size_t kMinBarCells = 10;
constexpr std::size_t kMaxBarCells = 30;
// Room kept beside a bar: its brackets and blanks, the terminal's last
// column, and a byte text as long as "999,999 KB / 999,999 KB (100% completed)".
constexpr std::size_t kBesideBar = 4 + 1 + 40;

std::string Padded(const std::string& utf8, std::size_t columns) {
    const std::size_t width = DisplayWidth(utf8);
    return width >= columns ? utf8 : utf8 + std::string(columns - width, ' ');
}

void AddPart(std::string& line, const std::string& part) {
    if (part.empty()) return;
    if (!line.empty()) line += " | ";
    line += part;
}

std::string Labelled(const std::string& label, const std::string& value) {
    return value.empty() ? std::string() : ToTerminal(label) + " " + ToTerminal(value);
}

}  // namespace

std::string DrawBar(const TerminalBar& bar, std::size_t cells, unsigned tick) {
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

std::vector<std::string> CTerminalDialogView::Frame(const CTerminalDialogModel& model,
                                                    std::size_t columns, unsigned tick) const {
    const std::string current = ToTerminal(labels_.currentProgress);
    const std::string overall = ToTerminal(labels_.overallProgress);
    const std::string speed = ToTerminal(labels_.transferSpeed);
    const std::string time = ToTerminal(model.TimeLabel());
    const std::size_t labelWidth = std::max(
        {DisplayWidth(current), DisplayWidth(overall), DisplayWidth(speed), DisplayWidth(time)});
    const std::size_t room =
        columns > labelWidth + kBesideBar ? columns - labelWidth - kBesideBar : 0;
    const std::size_t cells = std::clamp(room, kMinBarCells, kMaxBarCells);

    std::vector<std::string> lines;
    if (model.StatusShown()) lines.push_back(ToTerminal(model.StatusLine()));
    if (model.FileShown()) lines.push_back(ToTerminal(model.FileLine()));
    const TerminalBar overallBar = model.Overall();
    for (const auto& [label, bar] : {std::pair{current, model.Current()}, {overall, overallBar}}) {
        if (!bar.shown) continue;
        std::string line = Padded(label, labelWidth) + " [" + DrawBar(bar, cells, tick) + "]";
        if (!bar.text.empty()) line += " " + ToTerminal(bar.text);
        lines.push_back(line);
    }
    lines.push_back(Padded(speed, labelWidth) + " " + ToTerminal(model.RateText()));
    lines.push_back(Padded(time, labelWidth) + " " + ToTerminal(model.TimeText()));
    const std::string link = LinkLine(model);
    if (!link.empty()) lines.push_back(link);
    return lines;
}

std::string CTerminalDialogView::PlainLine(const CTerminalDialogModel& model, bool progress) const {
    std::string line;
    if (model.StatusShown()) AddPart(line, ToTerminal(model.StatusLine()));
    if (model.FileShown()) AddPart(line, ToTerminal(model.FileLine()));
    if (progress && model.Current().shown) {
        AddPart(line, Labelled(labels_.currentProgress, model.Current().text));
    }
    const TerminalBar overall = model.Overall();
    if (overall.shown) AddPart(line, Labelled(labels_.overallProgress, overall.text));
    if (!progress) return line;
    AddPart(line, Labelled(labels_.transferSpeed, model.RateText()));
    AddPart(line, Labelled(model.TimeLabel(), model.TimeText()));
    return line;
}

std::string CTerminalDialogView::LinkLine(const CTerminalDialogModel& model) const {
    if (!model.LinkShown() || helpLink_.empty()) return std::string();
    return ToTerminal(labels_.aboutLink) + ": " + ToTerminal(helpLink_);
}

bool CTerminalDialogView::Animates(const CTerminalDialogModel& model) {
    const TerminalBar overall = model.Overall();
    return (model.Current().shown && model.Current().busy) || (overall.shown && overall.busy);
}

}  // namespace kivterm
