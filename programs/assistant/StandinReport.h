#pragma once
// One line on the error output, "kivdownloadcontrol: " first. Lines carry
// names and paths from the page and the control's requests: they are shown
// with their control and format characters escaped, so that no text can act
// on the terminal or reorder what the user reads.
#include <string_view>

// `line` in the process code page.
void ReportLine(std::string_view line);
