#pragma once
// An item-identifier list in the shell's byte layout, kept byte for byte in
// the setting "DownloadedFilesPath":
//
//   item*  terminator
//   item       = count:u16le  data[count - 2]     (count >= 3: no item is empty)
//   terminator = 00 00
//
// The total size is 2 plus the sum of the item counts; the list of no item
// (only the terminator) is the Desktop.
//
// Item data on this platform: one kind byte, then the item's bytes in the
// process code page, without a terminator.
//   kItemDrive  (0x2F)  "X:\" - a drive letter, a colon, a backslash; first item only
//   kItemFolder (0x31)  one folder name: 1 to 255 bytes, none of \ / : * ? " < > |
//                       nor a control character, neither "." nor ".."
//   kItemVirtual(0x1F)  an item without a file-system path (Computer, Network);
//                       its bytes after the kind are opaque
// So Z:\home\u is  06 00 2F 'Z' ':' '\'   07 00 31 'h' 'o' 'm' 'e'   04 00 31 'u'   00 00.
// Any other kind byte is opaque as well: the list is kept, it just has no path.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

namespace KIVTOOLCommon {

constexpr win::BYTE kItemVirtual = 0x1F;
constexpr win::BYTE kItemDrive = 0x2F;
constexpr win::BYTE kItemFolder = 0x31;

class CItemIDList {
public:
    // Holds no list ("none"), which is not the Desktop.
    CItemIDList() = default;
    virtual ~CItemIDList() = default;
    CItemIDList(const CItemIDList& other) = default;
    CItemIDList& operator=(const CItemIDList& other) = default;
    CItemIDList(CItemIDList&& other) noexcept;
    CItemIDList& operator=(CItemIDList&& other) noexcept;

    // The list of no item.
    static CItemIDList Desktop();

    // Replaces the list by a copy of the one at the start of `bytes`; bytes
    // after its terminator are ignored. A null pointer gives none (true). A
    // list that would reach past `byteCount` (a cut count or item, a count
    // under 3, no terminator) is refused: the object then holds none, the
    // call returns false and the thread's last error is ERROR_INVALID_DATA.
    bool Assign(const void* bytes, std::size_t byteCount);

    // The list for a Windows-form folder path ("Z:\a\b", "Z:\a\b\", "Z:\" or
    // "Z:"). Only the text is converted; the folder need not exist. Refused
    // (none, false, last error ERROR_INVALID_NAME) for anything else: a
    // relative or UNC path, an invalid folder name, 260 bytes or more.
    bool FromPath(std::string_view windowsPath);

    // The file-system path of the list, as SHGetPathFromIDList gives it: the
    // Desktop folder for the Desktop list, "X:\" for a drive, "X:\a\b" below
    // it. False, with `path` cleared, for none, for a list with a virtual or
    // unknown item, a folder item that is not below a drive, or a path that
    // would not fit into 260 bytes with its terminator.
    bool GetPath(std::string& path) const;

    // True when no list is held (none).
    bool IsEmpty() const { return !held_; }
    // True for the list of no item.
    bool IsDesktop() const { return held_ && bytes_.size() == 2; }
    // The raw list, terminator included; null for none.
    const win::BYTE* GetList() const { return held_ ? bytes_.data() : nullptr; }
    // 2 plus the item counts; 0 for none.
    std::size_t GetSize() const { return held_ ? bytes_.size() : 0; }
    // The raw list as a byte vector (empty for none).
    const std::vector<win::BYTE>& Bytes() const { return bytes_; }
    // Number of items (0 for none and for the Desktop).
    std::size_t ItemCount() const;

    bool operator==(const CItemIDList& other) const = default;

private:
    bool held_ = false;
    std::vector<win::BYTE> bytes_;
};

}  // namespace KIVTOOLCommon
