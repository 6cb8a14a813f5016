#pragma once
// Where the control's parameters come from: the page's <param> name/value
// pairs as the host hands them over. The parameter reader only asks for one
// named text at a time; numbers are texts the reader converts itself.
#include <optional>
#include <string>
#include <string_view>

namespace kivcontrol {

class IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    // The value under `name`, or nothing when the page did not give it.
    virtual std::optional<std::string> Read(std::string_view name) const = 0;
};

}  // namespace kivcontrol
