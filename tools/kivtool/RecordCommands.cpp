// record list/set/remove: the download record file, read and changed through
// the same class the engine uses (and so under the same lock).
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "env/Application.h"
#include "platform/File.h"
#include "platform/Json.h"
#include "platform/NativePath.h"
#include "tools/kivtool/Command.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionRow.h"

using kivtransfer::CVersionFile;

namespace kivtool {
namespace {

bool ToWindowsPath(const std::string& nativePath, std::string& windowsPath) {
    if (nativePath.empty() || nativePath[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd == nullptr) return false;
        const std::string absolute = std::string(cwd) + "/" + nativePath;
        std::free(cwd);
        return win::FromNativePath(absolute, windowsPath);
    }
    return win::FromNativePath(nativePath, windowsPath);
}

int List(const Args& args) {
    std::string path;
    if (args.size() > 2) return Usage("record list takes at most one FILE");
    if (args.size() == 2) {
        if (!ToWindowsPath(args[1], path))
            return Usage("FILE cannot be used as a path: " + args[1]);
    } else {
        path = env::GetVersionFilePath();
    }
    // Read, never opened as a run opens it: a listing changes nothing, and a
    // damaged file stays where it is for whoever looks at it next.
    std::string bytes;
    if (!win::ReadWholeFile(path, bytes)) return kRefused;
    std::map<std::string, kivtransfer::tagComposition> rows;
    std::size_t lineNumber = 0;
    std::size_t damaged = 0;
    for (const std::string_view line : kivtransfer::versionrow::SplitLines(bytes)) {
        ++lineNumber;
        std::string key;
        kivtransfer::tagComposition entry;
        if (kivtransfer::versionrow::ParseRowText(line, key, entry)) {
            rows.insert_or_assign(std::move(key), std::move(entry));
        } else if (damaged++ == 0) {
            std::fprintf(stderr, "kivtool: line %zu is no record row; the file is left as it is\n",
                         lineNumber);
        }
    }
    for (const auto& [key, entry] : rows) {
        std::printf("{\"key\":%s,\"path\":%s,\"text\":%s,\"number\":%ld}\n",
                    json::JsonString(key).c_str(), json::JsonString(entry.path).c_str(),
                    json::JsonString(entry.storedText).c_str(), static_cast<long>(entry.number));
    }
    return damaged == 0 ? kSuccess : kRefused;
}

bool ParseNumber(const std::string& text, win::LONG& number) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    number = static_cast<win::LONG>(value);
    return true;
}

// Opens FILE for a change: a file that is missing is created by the save,
// one that does not parse is kept aside as FILE.bad and started afresh (as a
// run does), one that cannot be read is refused.
bool OpenForChange(const std::string& nativePath, CVersionFile& file) {
    std::string path;
    if (!ToWindowsPath(nativePath, path)) return false;
    if (file.Open(path)) return true;
    return file.IsOpen();
}

int Set(const Args& args) {
    if (args.size() != 6) return Usage("record set takes FILE KEY PATH TEXT NUMBER");
    win::LONG number = 0;
    if (!ParseNumber(args[5], number)) return Usage("NUMBER must be a 32-bit integer");
    CVersionFile file;
    if (!OpenForChange(args[1], file)) return kRefused;
    if (!file.Set(args[2], args[3], args[4], number) || !file.Save()) return kRefused;
    return kSuccess;
}

int Remove(const Args& args) {
    if (args.size() != 3) return Usage("record remove takes FILE KEY");
    CVersionFile file;
    if (!OpenForChange(args[1], file)) return kRefused;
    if (!file.Remove(args[2]) || !file.Save()) return kRefused;
    return kSuccess;
}

}  // namespace

int RunRecord(const Args& args) {
    if (args.empty()) return Usage("record takes list, set or remove");
    if (args[0] == "list") return List(args);
    if (args[0] == "set") return Set(args);
    if (args[0] == "remove") return Remove(args);
    return Usage("record takes list, set or remove");
}

}  // namespace kivtool
