#include "control/ParameterSet.h"

#include <charconv>
#include <optional>

#include "control/ParameterRules.h"

namespace kivcontrol {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A decimal whole number in the 32-bit signed range, blanks around it allowed.
std::optional<std::int32_t> ParseNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    const bool plusSign = !text.empty() && text.front() == '+';
    if (plusSign) text.remove_prefix(1);
    if (text.empty() || text.front() == '+' || (plusSign && text.front() == '-')) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

bool CParameterSet::Reject(const std::string& name) {
    rejectedName_ = name;
    return false;
}

bool CParameterSet::ReadText(const std::string& name, unsigned flags, std::size_t maxLength) {
    texts_.erase(name);
    const std::optional<std::string> value = bag_ != nullptr ? bag_->Read(name) : std::nullopt;
    if (!value || value->empty()) return (flags & PV_OPTIONAL) != 0 || Reject(name);
    if (maxLength > 0 && value->size() > maxLength) return Reject(name);
    if ((flags & PV_URL) != 0 && !IsHttpUrl(*value)) return Reject(name);
    if ((flags & PV_SHA256) != 0 && !IsSha256Text(*value)) return Reject(name);
    texts_[name] = *value;
    return true;
}

bool CParameterSet::ReadNumber(const std::string& name, bool optional, std::int32_t minimum,
                               std::int32_t maximum) {
    numbers_.erase(name);
    const std::optional<std::string> text = bag_ != nullptr ? bag_->Read(name) : std::nullopt;
    const std::optional<std::int32_t> value = text ? ParseNumber(*text) : std::nullopt;
    if (!value) return optional || Reject(name);
    if (*value < minimum || *value > maximum) return Reject(name);
    numbers_[name] = *value;
    return true;
}

std::string CParameterSet::LookupText(const std::string& name) const {
    const auto found = texts_.find(name);
    return found != texts_.end() ? found->second : std::string();
}

std::int32_t CParameterSet::LookupNumber(const std::string& name) const {
    const auto found = numbers_.find(name);
    return found != numbers_.end() ? found->second : 0;
}

}  // namespace kivcontrol
