#pragma once
// Where the control module is: its registration in the settings store, or
// the module installed with this program.
#include <memory>
#include <ostream>
#include <string>

#include "host/ControlModule.h"

inline constexpr const char* kModuleFileName = "kivdownloadcontrol.so";
// The module's folder in an installed tree, relative to the install prefix.
inline constexpr const char* kInstalledModuleFolder = "lib/kiv-downloader";

// The module next to the running program (a build tree) or, when there is
// none, in the install prefix's lib/kiv-downloader/ (the program being in
// PREFIX/bin/); empty when the program's own path cannot be read.
std::string DefaultModulePath();

// The control's registered in-process server (CLSID\{control}\InprocServer32
// below HKEY_CURRENT_USER\Software\Classes); false when it is not registered.
bool FindRegisteredModule(std::string& path);

// Loads the registered module. When the control is not registered yet,
// registers `fallbackModule` first and says so on `notes`. Null with `error`.
std::unique_ptr<CControlModule> OpenControlModule(const std::string& fallbackModule,
                                                  std::ostream& notes, std::string& error);
