#pragma once
// Win32-style file calls on Windows-form paths. Every call sets the thread's
// last error (LastError.h) when it fails, with the Windows meaning of errno.
//
// Attributes: read-only is the absence of the owner's write bit; setting it
// clears every write bit, clearing it gives the owner write access back
// (folders keep their mode). Hidden, system and archive are kept in the
// extended attribute "user.DOSATTRIB" as the text "0x%x" (as Wine does);
// FILE_ATTRIBUTE_NORMAL clears them. Where the file system keeps no user
// extended attributes, setting one of them fails with ERROR_NOT_SUPPORTED.
// A file without any of these reads as FILE_ATTRIBUTE_NORMAL.
//
// A missing entry is ERROR_FILE_NOT_FOUND, or ERROR_PATH_NOT_FOUND when its
// folder is missing too.
//
// As on Windows, attributes, existence and sizes are those of the entry
// itself: a symbolic link reads as FILE_ATTRIBUTE_REPARSE_POINT, whatever
// it names, and its attributes cannot be set (ERROR_ACCESS_DENIED). No call
// here changes a file through a link; only FolderExists follows one.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace win {

DWORD GetFileAttributes(std::string_view path);  // INVALID_FILE_ATTRIBUTES on failure
BOOL SetFileAttributes(std::string_view path, DWORD attributes);
// Refuses folders and, as Windows does, read-only files (ERROR_ACCESS_DENIED),
// and files another open holds under the sharing rules of CFile
// (ERROR_SHARING_VIOLATION), in this process or another. A link is
// deleted, not what it names.
BOOL DeleteFile(std::string_view path);
// Fails with ERROR_ALREADY_EXISTS when `to` exists, and as DeleteFile does
// when `from` is held open. A file moved to another file system is copied
// (bytes, mode, times, attributes) and then deleted.
BOOL MoveFile(std::string_view from, std::string_view to);
BOOL CreateDirectory(std::string_view path);
BOOL RemoveDirectory(std::string_view path);
bool FileExists(std::string_view path);    // an entry that is not a folder
bool FolderExists(std::string_view path);  // a folder, or a link to one
// Length of a plain file; false when it cannot be read (ERROR_ACCESS_DENIED
// for a folder, a link, a FIFO or a device).
// The entry itself, not where a link leads: a regular file with no other
// name, owned by the user. A link, a folder, a device or someone else's file
// gives false (ERROR_ACCESS_DENIED).
bool IsOwnPlainFile(std::string_view path);
bool GetFileSize(std::string_view path, std::uint64_t& size);

// What has a file's name, for deciding whether to write to it.
struct FileEntry {
    bool exists = false;
    bool isFile = false;        // a plain file: not a link, folder, FIFO or device
    bool isOwnedAlone = false;  // a plain file of this user with no other name
    std::uint64_t size = 0;     // of a plain file
};
// The entry itself, a link not followed. False (last error set) only when
// it cannot be looked at; nothing there is `exists` false.
bool LookAtEntry(std::string_view path, FileEntry& entry);

// Creates every folder up to the last backslash of `path` (the rest is a file
// name), each the user's alone (0700, whatever the umask): they hold the
// program's own records and downloads in progress. A file where a folder
// should be is a failure (ERROR_ALREADY_EXISTS).
BOOL MakeSureDirectoryPathExists(std::string_view path);

// GetTempFileNameA: "<folder>\<prefix up to 3 chars><hex>.tmp" (upper-case
// hex of 16 bits); with unique == 0 the name is chosen and the empty file
// created exclusively, trying further numbers while names are taken (returns
// the number used, 0 on failure); else the name is only formed.
unsigned GetTempFileName(std::string_view folder, std::string_view prefix, unsigned unique,
                         std::string& result);

// Bytes available to the calling user on the folder's volume (statvfs f_bavail).
BOOL GetDiskFreeSpaceEx(std::string_view folder, std::uint64_t& freeBytesAvailable);

}  // namespace win
