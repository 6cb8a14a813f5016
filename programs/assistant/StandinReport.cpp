#include "programs/assistant/StandinReport.h"

#include <iostream>
#include <string>

#include "frontends/terminal/TerminalText.h"

void ReportLine(std::string_view line) {
    std::cerr << "kivdownloadcontrol: "
              << kivterm::VisibleControls(kivterm::ToTerminal(line), kivterm::Layout::Shown)
              << "\n";
}
