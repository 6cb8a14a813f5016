#include "control/module/RegistrationEntries.h"

#include "control/ControlIds.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace {

constexpr const char* kTypeLibraryName = "KivDownloadControllerLib";
constexpr const char* kTypeLibraryVersion = "1.0";
// Activate when visible, set client site first, inside-out, cannot link
// inside, recompose on resize (0x20191).
constexpr const char* kControlMiscStatus = "131473";
// The standard marshaller of dispatch interfaces (PSDispatch).
constexpr const char* kDispatchProxyStub = "{00020420-0000-0000-C000-000000000046}";

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void AddInterface(RegistrationSet& set, const std::string& iid, const char* name) {
    const std::string key = std::string("Interface\\") + iid;
    set.roots.push_back(key);
    set.entries.push_back({key, "", name});
    set.entries.push_back({key + "\\ProxyStubClsid", "", kDispatchProxyStub});
    set.entries.push_back({key + "\\ProxyStubClsid32", "", kDispatchProxyStub});
    set.entries.push_back({key + "\\TypeLib", "", kTypeLibraryId});
    set.entries.push_back({key + "\\TypeLib", "Version", kTypeLibraryVersion});
}

// CLSID\{id} with its in-process server, and the ProgID key pointing back.
void AddClass(RegistrationSet& set, const std::string& clsid, const std::string& progId,
              const std::string& typeName, const std::string& modulePath) {
    const std::string key = std::string("CLSID\\") + clsid;
    set.roots.push_back(key);
    set.roots.push_back(progId);
    set.entries.push_back({key, "", typeName});
    set.entries.push_back({key + "\\InprocServer32", "", modulePath});
    set.entries.push_back({key + "\\InprocServer32", "ThreadingModel", "Apartment"});
    set.entries.push_back({key + "\\ProgID", "", progId});
    set.entries.push_back({progId, "", typeName});
    set.entries.push_back({progId + "\\CLSID", "", clsid});
}

}  // namespace

RegistrationSet TypeLibraryRegistration(const std::string& modulePath) {
    RegistrationSet set;
    const std::string library = std::string("TypeLib\\") + kTypeLibraryId;
    const std::string version = library + "\\" + kTypeLibraryVersion;
    set.roots.push_back(library);
    set.entries.push_back({version, "", kTypeLibraryName});
    set.entries.push_back({version + "\\0\\linux", "", modulePath});
    set.entries.push_back({version + "\\FLAGS", "", "0"});
    set.entries.push_back({version + "\\HELPDIR", "", FolderOf(modulePath)});
    AddInterface(set, kDispatchInterfaceId, "_DKivDownloadController");
    AddInterface(set, kEventInterfaceId, "_DKivDownloadControllerEvents");
    return set;
}

RegistrationSet ClassRegistration(const std::string& modulePath) {
    RegistrationSet set;
    AddClass(set, kControlClassId, kControlProgId, res::LoadString(textid::kProductName),
             modulePath);
    const std::string control = std::string("CLSID\\") + kControlClassId;
    set.entries.push_back({control + "\\MiscStatus", "", "0"});
    set.entries.push_back({control + "\\MiscStatus\\1", "", kControlMiscStatus});
    set.entries.push_back({control + "\\TypeLib", "", kTypeLibraryId});
    set.entries.push_back({control + "\\Version", "", kTypeLibraryVersion});
    set.entries.push_back({control + "\\Control", "", "", false});
    set.entries.push_back({control + "\\ToolboxBitmap32", "", modulePath + ",1"});
    AddClass(set, kPropertyPageClassId, kPropertyPageProgId,
             res::LoadString(textid::kPropertyPageTypeName), modulePath);
    return set;
}
