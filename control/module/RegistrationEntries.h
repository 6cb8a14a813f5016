#pragma once
// What the module's registration writes below HKEY_CURRENT_USER\Software\Classes
// (the per-user class registrations), as data: the type library with its two
// interfaces, and the two classes with their ProgIDs.
#include <string>
#include <vector>

inline constexpr const char* kClassesRoot = "Software\\Classes";

struct RegistryEntry {
    std::string key;        // below kClassesRoot
    std::string valueName;  // "" is the key's default value
    std::string data;       // REG_SZ text
    bool hasValue = true;   // false: the key alone (e.g. the control's "Control" mark)
};

struct RegistrationSet {
    std::vector<RegistryEntry> entries;
    // The top keys the entries live in; unregistration deletes exactly these.
    std::vector<std::string> roots;
};

// `modulePath` is the module's native absolute path.
RegistrationSet TypeLibraryRegistration(const std::string& modulePath);
RegistrationSet ClassRegistration(const std::string& modulePath);
