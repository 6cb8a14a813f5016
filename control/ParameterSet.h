#pragma once
// The page's parameters as the control accepted them. Each Read validates one
// named value from the property bag and keeps it only when it passes; later
// code looks accepted values up by name and sees rejected or absent ones as
// empty text or 0.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "control/PropertyBag.h"

constexpr unsigned PV_URL = 0x01;       // an absolute http or https URL
constexpr unsigned PV_SHA256 = 0x10;    // 64 upper-case hexadecimal digits
constexpr unsigned PV_OPTIONAL = 0x80;  // absence (or empty text) is accepted

namespace kivcontrol {

class CParameterSet {
public:
    CParameterSet() = default;
    // The bag is only needed while reading; the accepted values outlive it.
    // Without a bag every parameter reads as absent.
    void Attach(const IPropertyBag* bag) { bag_ = bag; }

    // True when the value was accepted, or is absent/empty and PV_OPTIONAL is
    // set. `maxLength` counts bytes; 0 means no limit.
    bool ReadText(const std::string& name, unsigned flags, std::size_t maxLength);
    // True when the value is a whole number within minimum..maximum, or it is
    // absent (or not a number) and `optional` is true.
    bool ReadNumber(const std::string& name, bool optional, std::int32_t minimum,
                    std::int32_t maximum);

    std::string LookupText(const std::string& name) const;
    std::int32_t LookupNumber(const std::string& name) const;

    // The name of the last parameter that was refused.
    const std::string& RejectedName() const { return rejectedName_; }

private:
    bool Reject(const std::string& name);

    const IPropertyBag* bag_ = nullptr;
    std::string rejectedName_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::int32_t> numbers_;
};

}  // namespace kivcontrol
