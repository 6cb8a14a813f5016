#pragma once
// A message box's buttons as a terminal question offers them: the kinds of
// the platform's box (style & 0xF), their texts from the string table
// (110 to 116, without the keyboard mark), one answer key each, and the
// default button (0x100: second, 0x200: third, as far as there are buttons).
#include <optional>
#include <string>
#include <vector>

namespace kivterm {

struct TerminalButton {
    int result = 0;     // IDOK ... IDNO
    std::string label;  // process code page
    char key = 0;       // lower-case answer letter
};

class CTerminalButtons {
public:
    explicit CTerminalButtons(unsigned style);

    const std::vector<TerminalButton>& Buttons() const { return buttons_; }
    bool IsQuestion() const { return buttons_.size() > 1; }
    int DefaultResult() const;
    // Esc would end the platform's box with IDCANCEL (kinds 0, 1, 3 and 5).
    bool Cancellable() const { return cancellable_; }
    bool Has(int result) const;

    // "Yes / No [Y/n]: " - the default's key in upper case.
    std::string Prompt() const;
    // An answer line: empty for the default, a key, a button's number (1..3)
    // or its text, in any case; nothing for anything else.
    std::optional<int> Parse(const std::string& line) const;
    // The label of the button that gives `result` (empty when none does).
    std::string LabelOf(int result) const;

private:
    std::vector<TerminalButton> buttons_;
    std::size_t defaultIndex_ = 0;
    bool cancellable_ = true;
};

}  // namespace kivterm
