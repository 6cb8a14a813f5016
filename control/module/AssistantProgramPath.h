#pragma once
// The assistant program of this module: the module's own file without its
// extension, in the same folder (kivdownloadcontrol.so -> kivdownloadcontrol).
#include <string>

// Native path; empty when the module's path cannot be read.
std::string AssistantProgramNextToModule();
