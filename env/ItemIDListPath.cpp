// Conversion between item-identifier lists and Windows-form folder paths.
#include <cctype>
#include <cstring>

#include "env/ItemIDList.h"
#include "platform/CodePage.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"

namespace KIVTOOLCommon {

namespace {

constexpr std::size_t kMaxFolderName = 255;
constexpr std::size_t kDriveTextBytes = 3;  // "X:\"

// A folder name as an item may hold it. Stored lists are checked too: a
// name with a backslash or ".." would make the path point somewhere else.
bool IsFolderName(std::string_view name) {
    if (name.empty() || name.size() > kMaxFolderName || name == "." || name == "..") return false;
    for (std::size_t pos = 0; pos < name.size(); pos = win::CharNext(name, pos)) {
        if (win::CharLength(name, pos) != 1) continue;
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (byte < 0x20 || std::strchr("\\/:*?\"<>|", byte) != nullptr) return false;
    }
    return true;
}

bool IsDriveText(std::string_view text) {
    return text.size() == kDriveTextBytes && std::isalpha(static_cast<unsigned char>(text[0])) &&
           text[1] == ':' && text[2] == '\\';
}

void AppendItem(std::vector<win::BYTE>& list, win::BYTE kind, std::string_view data) {
    const std::size_t count = 3 + data.size();
    list.push_back(static_cast<win::BYTE>(count & 0xFF));
    list.push_back(static_cast<win::BYTE>(count >> 8));
    list.push_back(kind);
    list.insert(list.end(), data.begin(), data.end());
}

// The folder names after "X:\", or false when one is not a valid name. One
// trailing backslash is allowed; an empty name elsewhere is not.
bool SplitFolderNames(std::string_view rest, std::vector<std::string_view>& names) {
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < rest.size(); pos = win::CharNext(rest, pos)) {
        if (rest[pos] != '\\' || win::CharLength(rest, pos) != 1) continue;
        names.push_back(rest.substr(start, pos - start));
        start = pos + 1;
    }
    if (start < rest.size()) names.push_back(rest.substr(start));
    for (std::string_view name : names) {
        if (!IsFolderName(name)) return false;
    }
    return true;
}

bool DesktopPath(std::string& path) {
    std::string desktop;
    if (!win::GetKnownFolderPath(win::KnownFolder::Desktop, desktop)) return false;
    if (desktop.size() >= win::MAX_PATH) return false;
    path = desktop;
    return true;
}

}  // namespace

bool CItemIDList::FromPath(std::string_view windowsPath) {
    held_ = false;
    bytes_.clear();
    std::string drive(windowsPath.substr(0, 2));
    drive += '\\';
    std::vector<std::string_view> names;
    const bool wellFormed =
        windowsPath.size() < win::MAX_PATH && windowsPath.size() >= 2 && IsDriveText(drive) &&
        (windowsPath.size() == 2 || windowsPath[2] == '\\') &&
        SplitFolderNames(windowsPath.substr(std::min<std::size_t>(3, windowsPath.size())), names);
    if (!wellFormed) {
        win::SetLastError(win::ERROR_INVALID_NAME);
        return false;
    }
    AppendItem(bytes_, kItemDrive, drive);
    for (std::string_view name : names) AppendItem(bytes_, kItemFolder, name);
    bytes_.push_back(0);
    bytes_.push_back(0);
    held_ = true;
    return true;
}

bool CItemIDList::GetPath(std::string& path) const {
    path.clear();
    if (!held_) return false;
    if (IsDesktop()) return DesktopPath(path);
    std::string built;
    std::size_t offset = 0;
    while (const std::size_t count = bytes_[offset] | (bytes_[offset + 1] << 8)) {
        const win::BYTE kind = bytes_[offset + 2];
        const std::string_view data(reinterpret_cast<const char*>(bytes_.data()) + offset + 3,
                                    count - 3);
        const bool first = offset == 0;
        const bool usable = first ? kind == kItemDrive && IsDriveText(data)
                                  : kind == kItemFolder && IsFolderName(data);
        if (!usable) return false;  // virtual, unknown or out of place
        if (!first && built.size() > kDriveTextBytes) built += '\\';
        built += data;
        offset += count;
    }
    if (built.size() >= win::MAX_PATH) return false;
    path = built;
    return true;
}

}  // namespace KIVTOOLCommon
