#pragma once
// What the host takes from the embedding page: its title, and the <object>
// that names the control with the object's <param> pairs and its size.
// Texts are in the process code page.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/ParamTagBag.h"

struct HostPage {
    using Params = std::vector<std::pair<std::string, std::string>>;

    std::string source;        // the file or URL as given
    std::string title;         // the page's <title>, blanks collapsed; empty when none
    Params params;             // the control's <param name value> pairs, in page order
                               // (the program puts the --param pairs ahead)
    std::optional<int> width;  // the object's size in pixels, when the page gives one
    std::optional<int> height;
};

// The control's property bag: `first` ahead of the page's parameters (the
// first of a name wins), then the page's in order. The program has already
// put the command line's --param pairs at the head of `page.params`.
kivcontrol::CParamTagBag MakeParameterBag(const HostPage& page, const HostPage::Params& first);
