#include "frontends/terminal/TerminalButtons.h"

#include <algorithm>
#include <cctype>

#include "control/ControlServices.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace kivterm {

namespace {

constexpr unsigned kSecondButtonDefault = 0x100;  // MB_DEFBUTTON2

// The English texts' keyboard marks, kept for every language.
char KeyOf(int result) {
    switch (result) {
        case IDOK:
            return 'o';
        case IDCANCEL:
            return 'c';
        case IDABORT:
            return 'a';
        case IDRETRY:
            return 'r';
        case IDIGNORE:
            return 'i';
        case IDYES:
            return 'y';
        default:
            return 'n';
    }
}

// "&Yes" -> "Yes", "はい(&Y)" -> "はい".
std::string WithoutKeyboardMark(std::string text) {
    const std::size_t open = text.find("(&");
    if (open != std::string::npos) {
        const std::size_t close = text.find(')', open);
        if (close != std::string::npos) text.erase(open, close - open + 1);
    }
    std::erase(text, '&');
    return text;
}

std::vector<int> ResultsOfKind(unsigned kind) {
    switch (kind) {
        case MB_OK:
            return {IDOK};
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        default:
            return {IDOK};  // a box without buttons still needs a way out
    }
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

CTerminalButtons::CTerminalButtons(unsigned style) {
    const unsigned kind = style & 0xF;
    for (int result : ResultsOfKind(kind)) {
        const std::string text =
            res::LoadString(textid::kButtonOk + static_cast<unsigned>(result) - 1);
        buttons_.push_back({result, WithoutKeyboardMark(text), KeyOf(result)});
    }
    cancellable_ = kind != MB_ABORTRETRYIGNORE && kind != MB_YESNO;
    if (buttons_.size() == 3 && (style & MB_DEFBUTTON3) != 0) {
        defaultIndex_ = 2;
    } else if (buttons_.size() > 1 && (style & kSecondButtonDefault) != 0) {
        defaultIndex_ = 1;
    }
}

int CTerminalButtons::DefaultResult() const {
    return buttons_[defaultIndex_].result;
}

bool CTerminalButtons::Has(int result) const {
    return std::any_of(buttons_.begin(), buttons_.end(),
                       [result](const TerminalButton& b) { return b.result == result; });
}

std::string CTerminalButtons::Prompt() const {
    std::string labels;
    std::string keys;
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (i > 0) {
            labels += " / ";
            keys += '/';
        }
        labels += buttons_[i].label;
        const char key = buttons_[i].key;
        keys += i == defaultIndex_ ? static_cast<char>(std::toupper(key)) : key;
    }
    return labels + " [" + keys + "]: ";
}

std::optional<int> CTerminalButtons::Parse(const std::string& line) const {
    const std::string answer = Lower(Trimmed(line));
    if (answer.empty()) return DefaultResult();
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const TerminalButton& button = buttons_[i];
        if (answer == std::string(1, button.key) || answer == std::to_string(i + 1) ||
            answer == Lower(button.label)) {
            return button.result;
        }
    }
    return std::nullopt;
}

std::string CTerminalButtons::LabelOf(int result) const {
    for (const TerminalButton& button : buttons_) {
        if (button.result == result) return button.label;
    }
    return std::string();
}

}  // namespace kivterm
