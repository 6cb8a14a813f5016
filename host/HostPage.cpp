#include "host/HostPage.h"

using kivcontrol::CParamTagBag;

CParamTagBag MakeParameterBag(const HostPage& page, const HostPage::Params& first) {
    CParamTagBag bag;
    for (const auto& [name, value] : first) bag.Add(name, value);
    for (const auto& [name, value] : page.params) bag.Add(name, value);
    return bag;
}
