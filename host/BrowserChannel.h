#pragma once
// The native messaging channel to the browser: the process's standard input
// and output, taken over so that nothing else writes into it or reads from
// it. Messages are read on a thread of the channel's own once the run has
// begun; any thread may send.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "host/NativeMessaging.h"

class CBrowserChannel {
public:
    // Moves standard input and output to private descriptors, then points
    // standard input at /dev/null and standard output at standard error: a
    // library's stray print or a child process cannot reach the browser.
    // Null with `error` when that fails.
    static std::unique_ptr<CBrowserChannel> TakeStandardStreams(std::string& error);
    // Owns both descriptors.
    CBrowserChannel(int in, int out);
    ~CBrowserChannel();
    CBrowserChannel(const CBrowserChannel&) = delete;
    CBrowserChannel& operator=(const CBrowserChannel&) = delete;

    // One message, waiting at most `timeoutMs`; before StartReading only.
    NativeReadResult Read(std::string& message, std::string& error, int timeoutMs);
    // From now on a reader thread passes each message to `received` and then,
    // once, why reading ended (empty: the browser closed the channel) to
    // `ended`; both run on that thread.
    void StartReading(std::function<void(std::string)> received,
                      std::function<void(std::string)> ended);
    // Ends the reader thread (without calling `ended`) and waits for it.
    void StopReading();
    // False when the browser is gone.
    bool Send(std::string_view json);

private:
    void ReadLoop(const std::function<void(std::string)>& received,
                  const std::function<void(std::string)>& ended);

    int in_;
    int out_;
    int stopRead_ = -1;  // a pipe: writing to stopWrite_ ends the reader's waits
    int stopWrite_ = -1;
    std::mutex sending_;
    std::thread reader_;
};
