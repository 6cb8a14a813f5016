// The check for files of the items' names in the chosen folder.
#include <vector>

#include "control/ControlServices.h"
#include "control/DestinationQuery.h"
#include "env/PathRules.h"
#include "platform/FileApi.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/WorkFiles.h"

namespace kivcontrol {

namespace {

// The folder joined with a name; empty when the path would not fit 260 bytes.
std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty()) return {};
    std::string path = env::AddTrailingBackslash(folder) + name;
    if (path.size() >= win::MAX_PATH) return {};
    return path;
}

std::string ListedNames(const std::vector<std::string>& names) {
    std::string text = res::LoadString(textid::kExistingFilesHead);
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
        win::DWORD attributes = win::GetFileAttributes(target);
        if (attributes == win::INVALID_FILE_ATTRIBUTES) {
            // A download cut short left its part file: it may be resumed.
            const std::string part = JoinPath(folder, kivtransfer::PartFileName(item->name));
            if (part.empty() || win::GetFileAttributes(part) == win::INVALID_FILE_ATTRIBUTES) continue;
            attributes = 0;
        }
        existing.push_back(item->name);
        if (attributes & win::FILE_ATTRIBUTE_READONLY) readOnly.push_back(item->name);
    }
    if (!readOnly.empty()) {
        context_.ShowMessage(ListedNames(readOnly) + res::LoadString(textid::kReadOnlyTail),
                             MB_OK | MB_ICONINFORMATION);
        return true;
    }
    if (existing.empty()) return false;
    const std::string question = ListedNames(existing) + res::LoadString(textid::kResumeQuestion) +
                                 res::LoadString(textid::kResumeButtons);
    const int answer =
        context_.ShowMessage(question, MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON3);
    if (answer == IDYES) context_.SetResumeAllowed(true);
    return answer == IDCANCEL;
}

}  // namespace kivcontrol
