#include "control/ParamTagBag.h"

#include <algorithm>

namespace kivcontrol {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

}  // namespace

void CParamTagBag::Add(std::string name, std::string value) {
    pairs_.emplace_back(std::move(name), std::move(value));
}

std::optional<std::string> CParamTagBag::Read(std::string_view name) const {
    for (const auto& [tagName, value] : pairs_) {
        if (SameName(tagName, name)) return value;
    }
    return std::nullopt;
}

}  // namespace kivcontrol
