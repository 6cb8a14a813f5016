// kiv_scripted_assistant: an assistant program that answers the control's
// requests from a script, for tests.
//
// It joins the named request event and, for every signal, reads the request
// from the work file (the path the control uses: "dlcwork.tmp" in the
// low-integrity temporary folder, found through the inherited environment)
// and sends the replies of the script's next entry to the reply window
// named by the last greeting (request kind 1).
//
// KIV_ASSISTANT_SCRIPT: entries separated by ';', one per request, each a
// ','-separated list of replies, sent in order:
//   K           reply kind K without data            e.g. "1", "3"
//   K=N         kind K with the 32-bit number N      e.g. "2=1", "4=5"
//   K:TEXT      kind K with TEXT and a zero byte     e.g. "3:Z:\home\u\Downloads"
//   raw:K:HEX   kind K with exactly these bytes      e.g. "raw:4:0102" (malformed)
//   exit=N      end the process at once with code N
//   hang        answer nothing from now on (the end conditions below still hold)
// An empty entry answers nothing. Once the script is used up, every further
// request is answered with "1". TEXT cannot hold ',' or ';'.
//
// KIV_ASSISTANT_LOG: when set, one line is appended per signal:
//   "kind=K record=R hidden=H"  the request's kind, its record's byte count
//                               and 1 when the work file was hidden
//   "missing"                   a signal without a work file (a failed write)
// and, when the program ends by itself, "end window-gone" or "end parent-gone".
//
// It ends when a reply finds the reply window gone, when the reply window
// has gone (checked every 200 ms once a greeting named it) or when its parent
// process changed. Exit code 0 then, 2 when it could not set up or the
// script does not parse.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "assistant/AssistantIds.h"
#include "assistant/AssistantWorkFile.h"
#include "platform/CopyData.h"
#include "platform/Event.h"
#include "platform/FifoEvents.h"
#include "platform/File.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/LittleEndian.h"
#include "platform/ProcessSettings.h"
#include "platform/Wait.h"

using kivassistant::GetAssistantWorkFilePath;

namespace {

constexpr win::DWORD kPollMs = 200;
constexpr win::DWORD kSendBoundMs = 10000;

struct Reply {
    enum class Action { Send, Exit, Hang } action = Action::Send;
    std::uint32_t kind = 0;
    std::vector<std::uint8_t> bytes;
    int exitCode = 0;
};
using Entry = std::vector<Reply>;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + 1) {
        parts.push_back(text.substr(from, at - from));
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(at, 2), nullptr, 16)));
    }
    return bytes;
}

std::vector<std::uint8_t> Word(std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    win::PutLE32(bytes.data(), value);
    return bytes;
}

Reply ParseReply(const std::string& text) {
    Reply reply;
    if (text == "hang") {
        reply.action = Reply::Action::Hang;
    } else if (text.starts_with("exit=")) {
        reply.action = Reply::Action::Exit;
        reply.exitCode = std::atoi(text.c_str() + 5);
    } else if (text.starts_with("raw:")) {
        const std::size_t colon = text.find(':', 4);
        reply.kind = static_cast<std::uint32_t>(std::stoul(text.substr(4, colon - 4)));
        if (colon != std::string::npos) reply.bytes = FromHex(text.substr(colon + 1));
    } else {
        std::size_t end = 0;
        reply.kind = static_cast<std::uint32_t>(std::stoul(text, &end));
        if (end < text.size() && text[end] == '=') {
            reply.bytes = Word(static_cast<std::uint32_t>(std::stoul(text.substr(end + 1))));
        } else if (end < text.size() && text[end] == ':') {
            const std::string payload = text.substr(end + 1);
            reply.bytes.assign(payload.begin(), payload.end());
            reply.bytes.push_back(0);
        }
    }
    return reply;
}

std::vector<Entry> ParseScript(const char* script) {
    std::vector<Entry> entries;
    if (script == nullptr || *script == '\0') return entries;
    for (const std::string& entryText : Split(script, ';')) {
        Entry entry;
        for (const std::string& replyText : Split(entryText, ',')) {
            if (!replyText.empty()) entry.push_back(ParseReply(replyText));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

void Log(const std::string& line) {
    const char* path = std::getenv("KIV_ASSISTANT_LOG");
    if (path == nullptr || *path == '\0') return;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

struct Request {
    std::uint32_t kind = 0;
    std::string record;
};

std::optional<Request> ReadRequest() {
    std::string path;
    std::string bytes;
    if (!GetAssistantWorkFilePath(path) || !win::ReadWholeFile(path, bytes) || bytes.size() < 4) {
        Log("missing");
        return std::nullopt;
    }
    const win::DWORD attributes = win::GetFileAttributes(path);
    const bool hidden = attributes != win::INVALID_FILE_ATTRIBUTES &&
                        (attributes & win::FILE_ATTRIBUTE_HIDDEN) != 0;
    Request request;
    request.kind = win::GetLE32(reinterpret_cast<const std::uint8_t*>(bytes.data()));
    request.record = bytes.substr(4);
    Log("kind=" + std::to_string(request.kind) +
        " record=" + std::to_string(request.record.size()) + " hidden=" + (hidden ? "1" : "0"));
    return request;
}

[[noreturn]] void End(const char* why) {
    Log(std::string("end ") + why);
    std::exit(0);
}

class Assistant {
public:
    explicit Assistant(std::vector<Entry> script) : script_(std::move(script)) {}

    void Answer(const Request& request) {
        if (request.kind == 1 && request.record.size() >= 12) {
            replyWindow_ =
                win::GetLE32(reinterpret_cast<const std::uint8_t*>(request.record.data() + 8));
        }
        if (hanging_) return;
        const Entry entry = next_ < script_.size() ? script_[next_] : Entry{ParseReply("1")};
        ++next_;
        for (const Reply& reply : entry) {
            if (reply.action == Reply::Action::Exit) std::exit(reply.exitCode);
            if (reply.action == Reply::Action::Hang) {
                hanging_ = true;
                return;
            }
            Send(reply);
        }
    }

    void CheckStillWanted(pid_t parent) const {
        if (getppid() != parent) End("parent-gone");
        if (replyWindow_ != 0 && !win::IsCopyDataWindowListening(replyWindow_)) End("window-gone");
    }

private:
    void Send(const Reply& reply) const {
        win::LRESULT result = 0;
        if (!win::SendCopyData(replyWindow_, reply.kind, reply.bytes, kSendBoundMs, &result) &&
            win::GetLastError() == win::ERROR_INVALID_WINDOW_HANDLE) {
            End("window-gone");
        }
    }

    std::vector<Entry> script_;
    std::size_t next_ = 0;
    std::uint32_t replyWindow_ = 0;
    bool hanging_ = false;
};

}  // namespace

int main() {
    const pid_t parent = getppid();
    // An assistant runs only in the protected layout: its work folder is the
    // low-integrity one.
    win::SetProtectedLayout(true);
    if (!win::InstallFifoEventBackend()) return 2;
    win::CEvent request;
    if (!request.Create(false, false, kRequestEventName)) return 2;
    std::vector<Entry> script;
    try {
        script = ParseScript(std::getenv("KIV_ASSISTANT_SCRIPT"));
    } catch (const std::exception&) {  // a number that does not parse
        std::fprintf(stderr, "kiv_scripted_assistant: bad KIV_ASSISTANT_SCRIPT\n");
        return 2;
    }
    Assistant assistant(std::move(script));
    for (;;) {
        const win::DWORD waited = request.Wait(kPollMs);
        if (waited == win::WAIT_OBJECT_0) {
            if (const auto read = ReadRequest()) assistant.Answer(*read);
        } else if (waited != win::WAIT_TIMEOUT) {
            return 2;
        }
        assistant.CheckStillWanted(parent);
    }
}
