#pragma once
// The control from its module (the way the program gets it), as the
// terminal session drives it.
#include "frontends/terminal/TerminalSession.h"
#include "host/ControlModule.h"

namespace kivterm {

// Makes a control from `module`'s class factory and initialises it with the
// session's services; null when either fails. `module` must outlive the run.
TerminalControlMaker ModuleControl(const CControlModule& module);

}  // namespace kivterm
