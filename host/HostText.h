#pragma once
// The host's own texts (page loading, module loading, the command line's
// folder) from the string tables, in the user's language and in UTF-8: they
// go to a terminal or into Qt, whatever the process code page is.
#include <initializer_list>
#include <string>

#include "resources/FormatArg.h"
#include "resources/StringIds.h"

std::string HostText(unsigned id, std::initializer_list<res::FormatArg> args = {});
