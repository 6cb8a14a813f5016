#pragma once
// Rules for file names and full paths in Windows form, and the few string
// routines that go with them. Texts are byte strings in the process code page;
// every scan walks characters (win::CharNext), so the trail byte of a
// double-byte character is never taken for a backslash or a forbidden sign.
// Lengths are counted in bytes.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace env {

// A name for a file inside a folder: 1 to 255 bytes, none of / : * ? " < > | \,
// no control character (0-31, 127, the C1 controls), no format character
// (bidirectional overrides, zero-width characters), not a reserved device
// name, and neither "." nor "..".
bool IsValidFileName(std::string_view name);

// An absolute path on a drive (C:\...) or a share (\\server\...): 2 to 259
// bytes, none of / : * ? " < > | from the third byte on, no reserved component.
bool IsValidFullPath(std::string_view path);

// True when no backslash-separated component names a reserved device.
bool HasNoReservedComponent(std::string_view path);

// AUX, CON, NUL, PRN, CLOCK$, COM1-COM9, LPT1-LPT9 (any case), after the
// extension has been removed as RemoveExtension does.
bool IsReservedDeviceName(std::string_view component);

// Components between runs of delimiter characters, each trimmed of white
// space and then of double quotes at both ends.
std::vector<std::string> SplitComponents(std::string_view text, std::string_view delimiters);

// A letter, a colon and a backslash.
bool IsDrivePath(std::string_view path);
// Two backslashes not followed by "?" (the \\?\ device namespace is refused).
bool IsUncPath(std::string_view path);

// The text without trailing backslashes, then exactly one backslash.
std::string AddTrailingBackslash(std::string_view folder);
// The text without any trailing backslash.
std::string RemoveTrailingBackslashes(std::string_view folder);

// True when the full path `path` is `folder` or lies below it as written: it
// starts with the folder's components, byte for byte (as the file system
// compares names), and no component after them is "." or "..". Links on the
// way are not looked at: a caller that writes there must not follow them.
bool IsPathWithinFolder(std::string_view path, std::string_view folder);

// An even number of the characters 0-9 and A-F (upper case only).
bool IsUpperHexText(std::string_view text);

// Offset of the extension as PathFindExtensionA finds it: the last dot, unless
// a space or a backslash follows it; the text's length when there is none.
std::size_t FindExtension(std::string_view path);
// The text without that extension (PathRemoveExtensionA).
std::string RemoveExtension(std::string_view path);

// Deletes a file even when it is read-only, hidden or system. True when the
// file is gone, also when it did not exist. On failure the file keeps its
// attributes and the thread's last error is the delete's error (such as
// ERROR_SHARING_VIOLATION while another process holds the file open). A link
// is deleted itself; neither its target nor the target's attributes change.
bool ForceDeleteFile(std::string_view path);

}  // namespace env
