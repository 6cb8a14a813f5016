// The check for files of the items' names in the chosen folder.
#include <vector>

#include "control/ControlServices.h"
#include "control/DestinationQuery.h"
#include "env/PathRules.h"
#include "platform/FileApi.h"
#include "resources/StringTable.h"

namespace {

constexpr unsigned kExistingHeadId = 41;  // "A file with this filename already exists ..."
constexpr unsigned kReadOnlyTailId = 14;  // "... These files are read-only. ..."
constexpr unsigned kResumeQuestionId = 42;
constexpr unsigned kResumeButtonsId = 5;

// The folder joined with a name; empty when the path would not fit 260 bytes.
std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty()) return {};
    std::string path = env::AddTrailingBackslash(folder) + name;
    if (path.size() >= win::MAX_PATH) return {};
    return path;
}

std::string ListedNames(const std::vector<std::string>& names) {
    std::string text = res::LoadString(kExistingHeadId);
    for (const std::string& name : names) text += "\t" + name + "\n";
    return text;
}

}  // namespace

bool CDestinationQuery::CheckExistingFiles(const std::string& folder) {
    context_.SetResumeAllowed(false);
    std::vector<std::string> existing;
    std::vector<std::string> readOnly;
    for (const auto& item : context_.Items()) {
        const std::string target = item ? JoinPath(folder, item->name) : std::string();
        if (target.empty()) continue;
        const win::DWORD attributes = win::GetFileAttributes(target);
        if (attributes == win::INVALID_FILE_ATTRIBUTES) continue;
        existing.push_back(item->name);
        if (attributes & win::FILE_ATTRIBUTE_READONLY) readOnly.push_back(item->name);
    }
    if (!readOnly.empty()) {
        context_.ShowMessage(ListedNames(readOnly) + res::LoadString(kReadOnlyTailId),
                             MB_OK | MB_ICONINFORMATION);
        return true;
    }
    if (existing.empty()) return false;
    const std::string question = ListedNames(existing) + res::LoadString(kResumeQuestionId) +
                                 res::LoadString(kResumeButtonsId);
    const int answer =
        context_.ShowMessage(question, MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON3);
    if (answer == IDYES) context_.SetResumeAllowed(true);
    return answer == IDCANCEL;
}
