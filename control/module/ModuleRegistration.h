#pragma once
// Writes and removes the module's registration (RegistrationEntries.h) in the
// settings store. Each step either completes or leaves its keys removed, so a
// host never finds half a registration.
#include <string>

bool RegisterTypeLibrary(const std::string& modulePath);
bool RegisterClasses(const std::string& modulePath);
// Keys already gone count as removed.
bool UnregisterTypeLibrary();
bool UnregisterClasses();
