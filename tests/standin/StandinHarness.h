#pragma once
// The control's side of the assistant link, for running the real stand-in
// as a child: private XDG folders, the named request and cancel events, a
// reply window on the test thread that records every WM_COPYDATA, and the
// work file. Every wait is bounded.
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "assistant/AssistantRecords.h"
#include "platform/CopyData.h"
#include "platform/Event.h"
#include "tests/platform/CoreTestSupport.h"

namespace standintest {

struct Reply {
    win::ULONG_PTR kind = 0;
    bool hasData = false;
    std::string bytes;
    // The 32-bit payload of a resume decision or a placing outcome.
    std::optional<std::uint32_t> Number() const;
};

class StandinHarness {
public:
    StandinHarness();
    ~StandinHarness();
    StandinHarness(const StandinHarness&) = delete;
    StandinHarness& operator=(const StandinHarness&) = delete;

    // Native folders below the private root; created on demand.
    std::string Folder(const std::string& relative) const;
    // Windows form of a native path.
    static std::string WindowsForm(const std::string& native);

    // Starts the stand-in with the extra environment variables; false when it did not start.
    bool Start(const std::map<std::string, std::string>& environment = {});
    // Starts it in a session whose controlling terminal is a pseudo-terminal
    // the test plays the user on; also its standard input unless
    // `inputRedirected`, which gives it /dev/null instead.
    bool StartOnTerminal(const std::map<std::string, std::string>& environment = {},
                         bool inputRedirected = false);
    // What the terminal showed until `text` appeared (within the bound); empty if it did not.
    std::string AwaitTerminalText(const std::string& text);
    void TypeOnTerminal(const std::string& line);
    bool Running();
    // The exit status once the program has ended within `boundMs`; nullopt if not.
    std::optional<int> AwaitExit(unsigned boundMs);
    // What the program wrote to its error output.
    std::string ErrorOutput() const;

    // Writes a request (kind and record) as the control does and signals it.
    void Send(std::uint32_t kind, const kivassistant::AssistantBytes& record);
    void SendBytes(const kivassistant::AssistantBytes& workFile);
    void Greet();
    void SendContentList(const std::vector<std::string>& names);
    void SendPlaceFile(const std::string& sourceNative, const std::string& destinationNative);

    // Serves the reply window until `count` replies have come in all, then
    // a short while longer to catch surplus ones. The replies so far.
    std::vector<Reply> AwaitReplies(std::size_t count);
    // Whether the control's cancel event was set within the bound.
    bool AwaitCancel();
    // Closes the reply window as the control's teardown does.
    void DestroyReplyWindow();

private:
    // `terminal`: opened first (as descriptor 3), to become the controlling terminal.
    bool Spawn(const std::map<std::string, std::string>& environment, const std::string& input,
               const std::string& terminal = {});

    coretest::TempFolder root_;
    std::vector<std::unique_ptr<coretest::ScopedEnv>> environment_;
    win::CEvent request_;
    win::CEvent cancel_;
    win::HWND window_ = nullptr;
    win::CCopyDataReceiver receiver_;
    std::vector<Reply> replies_;
    pid_t child_ = -1;
    int terminal_ = -1;  // the pseudo-terminal's master side
    std::string shown_;  // what the terminal showed so far
};

}  // namespace standintest
