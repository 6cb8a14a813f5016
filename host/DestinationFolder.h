#pragma once
// --destination may name a folder that is not there yet. As wget -P does, it
// is made, with the folders above it, before the run starts: once the user
// agrees on a terminal, or at once with --yes. With nobody to ask and no
// --yes nothing is made and the run does not start.
#include <functional>
#include <string>

// Asks a yes/no question (UTF-8); true for yes.
using YesNoQuestion = std::function<bool(const std::string& question)>;

// True when `folder` (native, absolute) is a folder, made now if need be.
// `ask` is empty when there is nobody to ask. `error` (UTF-8) says why not.
bool EnsureDestinationFolder(const std::string& folder, bool assumeYes, const YesNoQuestion& ask,
                             std::string& error);

// The question on standard error, the answer from standard input; empty
// when standard input is no terminal.
YesNoQuestion TerminalYesNoQuestion();
