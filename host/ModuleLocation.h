#pragma once
// Where the control module is: its registration in the settings store, or
// the module installed next to this program.
//
// A registration is followed only into the program's own install folders
// (beside the program, or PREFIX/lib/kiv-downloader when the program is in
// PREFIX/bin), or to the one module that --register named on the command
// line: the store outlives every run, so a path planted there must never get
// its code run by dlopen.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/ControlModule.h"

inline constexpr const char* kModuleFileName = "kivdownloadcontrol.so";

// env::InstalledFilePath of the module.
std::string DefaultModulePath();

// The folders a registered module may lie in without an explicit --register,
// for the program whose own module is `defaultModule`: its folder and
// PREFIX/lib/kiv-downloader. Canonical native paths.
std::vector<std::string> ModuleInstallFolders(const std::string& defaultModule);

// The control's registered in-process server (CLSID\{control}\InprocServer32
// below HKEY_CURRENT_USER\Software\Classes); false when it is not registered.
bool FindRegisteredModule(std::string& path);

// Notes that the module now registered was named on the command line, so that
// later runs load it although it lies outside the install folders.
bool MarkRegisteredModuleExplicit();

// Loads the registered module when it is a file in the install folders (or the
// explicitly registered one). Otherwise (not registered, missing, elsewhere)
// registers `fallbackModule` first and says so in one line: on `warnings` when
// a registration was refused, on `notes` when there was none. Null with `error`.
std::unique_ptr<CControlModule> OpenControlModule(const std::string& fallbackModule,
                                                  std::ostream& warnings, std::ostream& notes,
                                                  std::string& error);
