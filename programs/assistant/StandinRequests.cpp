#include "programs/assistant/StandinRequests.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "assistant/AssistantRecords.h"
#include "assistant/AssistantReply.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "platform/Event.h"
#include "platform/LastError.h"
#include "platform/LittleEndian.h"
#include "platform/NativePath.h"
#include "programs/assistant/FilePlacement.h"
#include "programs/assistant/StandinReport.h"

using kivassistant::kContentListRequest;
using kivassistant::kDestinationReply;
using kivassistant::kGreetingRequest;
using kivassistant::kPlaceFileReply;
using kivassistant::kPlaceFileRequest;
using kivassistant::kResumeDecisionReply;

namespace {

// The greeting's answer: any kind but the resume decision counts as success.
constexpr win::ULONG_PTR kGreetingReply = 1;
// How long the reply window's process has to answer the question whose it is;
// its receiver answers on a thread of its own, without the window's thread.
constexpr win::DWORD kProbeBoundMs = 5000;
// Far above the largest content list the control can write.
constexpr std::size_t kWorkFileLimit = 64 * 1024 * 1024;

void Report(const std::string& line) {
    ReportLine(line);
}

std::span<const std::uint8_t> TextPayload(const std::string& text) {
    // With the terminating zero, which the control copies up to.
    return {reinterpret_cast<const std::uint8_t*>(text.c_str()), text.size() + 1};
}

std::string Normalised(const std::string& nativePath) {
    std::string normal = std::filesystem::path(nativePath).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

}  // namespace

bool CStandinRequests::HandleRequest() {
    const std::optional<std::vector<std::uint8_t>> file = LoadWorkFile(workFile_, kWorkFileLimit);
    const WorkFileBytes bytes = file ? WorkFileBytes(*file) : WorkFileBytes();
    const std::uint32_t kind = WorkFileKind(bytes).value_or(0);
    // Nothing is done for a request whose outcome nobody could be told.
    if (kind != kGreetingRequest && watch_.ReplyWindow() == 0) {
        return ReplyPlaceOutcome(win::ERROR_INVALID_DATA);
    }
    switch (kind) {
        case kGreetingRequest:
            return HandleGreeting(bytes);
        case kContentListRequest:
            return HandleContentList(bytes);
        case kPlaceFileRequest:
            return HandlePlaceFile(bytes);
        default:
            Report(file ? "a request of an unknown kind is refused"
                        : "the work file " + workFile_ + " cannot be read");
            return ReplyPlaceOutcome(win::ERROR_INVALID_DATA);
    }
}

bool CStandinRequests::HandleGreeting(WorkFileBytes file) {
    const std::optional<GreetingRequest> greeting = ReadGreeting(file);
    if (!greeting || greeting->replyWindow == 0) {
        Report("a malformed greeting is refused");
        return ReplyPlaceOutcome(win::ERROR_INVALID_DATA);
    }
    // Any process that can write the work file can greet; only a window of
    // the control that started us gets replies.
    const win::DWORD owner = win::GetCopyDataWindowProcessId(greeting->replyWindow, kProbeBoundMs);
    if (owner == 0 || owner != static_cast<win::DWORD>(watch_.Parent())) {
        Report("a greeting naming a window of another process is ignored");
        return true;
    }
    watch_.SetReplyWindow(greeting->replyWindow);
    return Reply(kGreetingReply);
}

bool CStandinRequests::HandleContentList(WorkFileBytes file) {
    acceptedFolder_.Forget();
    itemNames_.clear();
    const std::optional<ContentListRequest> request = ReadContentList(file);
    if (!request) {
        Report("a malformed content list is refused");
        return Reply(kDestinationReply);
    }
    const DestinationChoice choice = AskDestination(*request, answers_, watch_);
    std::string nativeFolder;
    if (!choice.chosen || !win::ToNativePath(choice.folder, nativeFolder)) {
        Report("no download folder: " +
               (choice.whyNot.empty() ? "it has no native form" : choice.whyNot));
        return Reply(kDestinationReply);
    }
    std::string why;
    if (acceptedFolder_.Accept(Normalised(nativeFolder), why) != 0) {
        Report("no download folder: " + why);
        return Reply(kDestinationReply);
    }
    for (const ContentListEntry& item : request->items) itemNames_.insert(item.name);
    std::array<std::uint8_t, 4> resume{};
    win::PutLE32(resume.data(), choice.resumeAllowed ? 1 : 0);
    return Reply(kResumeDecisionReply, resume) &&
           Reply(kDestinationReply, TextPayload(choice.folder));
}

bool CStandinRequests::HandlePlaceFile(WorkFileBytes file) {
    const std::optional<PlaceFileRequest> request = ReadPlaceFile(file);
    if (!request) {
        Report("a malformed place-file request is refused");
        return ReplyPlaceOutcome(win::ERROR_INVALID_DATA);
    }
    std::string name;
    win::DWORD code = CheckDestination(request->destination, name);
    win::CUniqueFd sourceFolder;
    std::string source;
    if (code == 0) code = CheckSource(request->source, sourceFolder, source);
    std::string keptName;
    if (code == 0) code = PlaceFile(source, acceptedFolder_.Fd(), name, keptName);
    if (code != 0) {
        Report("cannot place " + request->destination + ": error " + std::to_string(code));
    }
    std::string kept;
    if (code == 0 && !keptName.empty() &&
        win::FromNativePath(acceptedFolder_.Path() + "/" + keptName, kept)) {
        kept.erase(0, kept.rfind('\\') + 1);
    }
    return ReplyPlaceOutcome(code, kept);
}

// Files go only where the user agreed: into the folder chosen for this run,
// under one of the run's item names, so no ".." in the request can lead
// elsewhere. They are placed through the folder's descriptor; a folder no
// longer at its path (moved, or replaced by a link to another) ends the run
// rather than have its files go to a place the user never chose.
win::DWORD CStandinRequests::CheckDestination(const std::string& destination,
                                              std::string& name) const {
    std::string native;
    if (!win::ToNativePath(destination, native)) return win::GetLastError();
    const std::filesystem::path path(Normalised(native));
    name = path.filename().string();
    const bool agreed = acceptedFolder_.Held() && path.parent_path() == acceptedFolder_.Path() &&
                        itemNames_.count(name) != 0;
    if (!agreed) return win::ERROR_ACCESS_DENIED;
    if (!acceptedFolder_.StillAtItsPath()) {
        Report("the download folder " + acceptedFolder_.Path() +
               " was moved or replaced after it was chosen: no file is placed there");
        return win::ERROR_FILE_INVALID;
    }
    return 0;
}

// Files come only from the low-integrity temporary folder, the one place the
// confined control can write. The source's folder is opened and its real
// place checked through the descriptor, and the file is then reached through
// that descriptor, so a folder swapped for a link after the check cannot
// lead the move anywhere else.
win::DWORD CStandinRequests::CheckSource(const std::string& source, win::CUniqueFd& folder,
                                         std::string& nativeSource) const {
    std::string lowTemp;
    std::string nativeLowTemp;
    std::string native;
    if (!env::GetLowTempFolder(lowTemp) || !win::ToNativePath(lowTemp, nativeLowTemp) ||
        !env::IsPathWithinFolder(source, lowTemp) || !win::ToNativePath(source, native)) {
        return win::ERROR_ACCESS_DENIED;
    }
    std::error_code error;
    const std::string realLowTemp = std::filesystem::canonical(nativeLowTemp, error).string();
    const std::filesystem::path path(Normalised(native));
    folder = win::CUniqueFd(::open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (error || folder.Get() < 0) return win::ERROR_ACCESS_DENIED;
    const std::string procFolder = "/proc/self/fd/" + std::to_string(folder.Get());
    const std::string realFolder = std::filesystem::read_symlink(procFolder, error).string();
    if (error || !(realFolder == realLowTemp || realFolder.starts_with(realLowTemp + "/"))) {
        return win::ERROR_ACCESS_DENIED;
    }
    const std::string name = path.filename().string();
    struct stat entry {};
    if (name.empty() || ::fstatat(folder.Get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        return name.empty() ? win::ERROR_ACCESS_DENIED : win::Win32FromErrno(errno, false);
    }
    if (!S_ISREG(entry.st_mode)) return win::ERROR_ACCESS_DENIED;
    nativeSource = procFolder + "/" + name;
    return 0;
}

bool CStandinRequests::Reply(win::ULONG_PTR kind, std::span<const std::uint8_t> payload) {
    const std::uint32_t window = watch_.ReplyWindow();
    win::LRESULT ignored = 0;
    if (window != 0 && win::SendCopyData(window, kind, payload, win::INFINITE, &ignored)) {
        return true;
    }
    const win::DWORD error = window == 0 ? win::ERROR_INVALID_WINDOW_HANDLE : win::GetLastError();
    if (window != 0 && error == win::ERROR_INVALID_WINDOW_HANDLE) return false;
    Report(window == 0 ? "a request before the greeting cannot be answered"
                       : "a reply could not be sent: error " + std::to_string(error));
    // The control waits for exactly one reply; without it the run must end.
    if (cancelEvent_ != nullptr) win::SetEvent(cancelEvent_);
    return true;
}

bool CStandinRequests::ReplyPlaceOutcome(win::DWORD code, const std::string& keptAside) {
    std::vector<std::uint8_t> payload(4);
    win::PutLE32(payload.data(), code);
    payload.insert(payload.end(), keptAside.begin(), keptAside.end());
    return Reply(kPlaceFileReply, payload);
}
