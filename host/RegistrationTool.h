#pragma once
// --register and --unregister: load a control module and run its
// DllRegisterServer or DllUnregisterServer, as a registration tool does.
#include <string>

#include "control/module/ComTypes.h"

// `module` may be relative (to the working folder). False with `error` (one
// line) when the module cannot be loaded or the entry point fails.
bool RegisterModule(const std::string& module, std::string& error);
bool UnregisterModule(const std::string& module, std::string& error);

// "0x80040200 (the type library could not be registered)" and the like.
std::string DescribeRegistrationResult(com::HRESULT result);
