#pragma once
// A property bag over the page's <param> tags, in page order. Names compare
// without regard to ASCII case, as HTML attribute values for names do in the
// browser; when a name is given twice the first tag wins.
#include <string>
#include <utility>
#include <vector>

#include "control/PropertyBag.h"

namespace kivcontrol {

class CParamTagBag : public IPropertyBag {
public:
    using Pairs = std::vector<std::pair<std::string, std::string>>;

    CParamTagBag() = default;
    explicit CParamTagBag(Pairs pairs) : pairs_(std::move(pairs)) {}

    void Add(std::string name, std::string value);
    std::optional<std::string> Read(std::string_view name) const override;

private:
    Pairs pairs_;
};

}  // namespace kivcontrol
