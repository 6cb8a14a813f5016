#pragma once
// A small registry in the manner of the Win32 calls, for the keys of the
// current user. Keys live in one text file per user in the registry export
// format (RegistryFile.h), $XDG_CONFIG_HOME/kiv-downloader/user.reg.
//
// Every call reads the file afresh: a query under a shared lock, a change under
// an exclusive lock that re-reads the file, applies only this call's change and
// replaces the file atomically. Two processes therefore never lose each other's
// values and a crash never leaves a half-written file.
//
// Names and string data are byte strings, stored as the bytes they are: a
// process in the UTF-8 code page writes UTF-8. Key and value names compare
// without regard to the case of ASCII letters, as Windows compares them.
// Calls return a Windows error code and leave the thread's last error alone.
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace win {

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

// The current user's root; always open, closing it does nothing.
extern const HKEY HKEY_CURRENT_USER;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;  // the only option the store supports
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD ERROR_KEY_DELETED = 1018;  // the key behind an open handle was deleted

// Creates `subKey` (and every missing key above it) below `parent`, or opens
// it when it exists. An empty `subKey` opens `parent` itself again. Names may
// not be empty or contain CR, LF or NUL (ERROR_INVALID_PARAMETER).
LONG RegCreateKeyEx(HKEY parent, std::string_view subKey, DWORD options, REGSAM access,
                    HKEY* result, DWORD* disposition = nullptr);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegOpenKeyEx(HKEY parent, std::string_view subKey, REGSAM access, HKEY* result);
LONG RegCloseKey(HKEY key);

// Value name "" is the key's default value. Without `data` only the type and
// the size are reported; a buffer smaller than the value gives ERROR_MORE_DATA
// with the needed size in *size. Data comes back byte for byte as stored
// (no terminator is added to strings).
LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueEx(HKEY key, std::string_view valueName, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValue(HKEY key, std::string_view valueName);
// Deletes `subKey` below `parent` with all its subkeys and values.
LONG RegDeleteKey(HKEY parent, std::string_view subKey);

// Native path of the current user's store file (it may not exist yet).
bool GetRegistryStorePath(std::string& nativePath);

// The low-integrity store stands for the only key a protected-mode browser
// lets a confined control write. After UseLowIntegrityStore every registry
// call of the calling thread reads and writes that store alone, never the
// user's; other threads keep the user's store, so nothing the unconfined side
// reads can come from the low store. Threads started later do not inherit it.
void UseLowIntegrityStore();
bool IsUsingLowIntegrityStore();
// Native path of the low-integrity store file ($XDG_STATE_HOME/kiv-downloader/low/low.reg).
bool GetLowIntegrityStorePath(std::string& nativePath);

}  // namespace win
