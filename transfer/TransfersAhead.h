#pragma once
// The GET requests of the next small files, sent while the current file is
// received: their answers wait in memory for their turn, so a page of small
// files costs about a round trip per pool of connections instead of one per
// file. Everything else stays one file after another, in page order: the
// file's record row, its dialog lines, its retries. A request is taken only
// by the first attempt of its item, and only when that attempt would send
// the very same lines (a fresh file from its first byte); otherwise it is
// dropped and the attempt sends its own.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/HttpFile.h"
#include "transfer/DownloadControl.h"

namespace kivtransfer {

class CTransfersAhead {
public:
    // One connection of a server's six always stays free for the current
    // file's own request, whatever the requests sent ahead wait for.
    static constexpr std::size_t kDepth = 5;
    // A body this small is held whole by the request, so a request sent
    // ahead never keeps its connection from the pool while it waits.
    static constexpr std::uint64_t kLargestBody = 256 << 10;

    explicit CTransfersAhead(IDownloadControl& control);

    // Sends the requests of the small fresh files after `index`, up to the depth.
    void BeginAfter(std::size_t index);

    // Where the request begun for item `index` waits; empty when none was begun.
    std::unique_ptr<win::CHttpFile>& Slot(std::size_t index);

private:
    bool Wanted(std::size_t index) const;

    IDownloadControl& control_;
    std::size_t next_ = 0;  // the first item not considered yet
    std::map<std::size_t, std::unique_ptr<win::CHttpFile>> begun_;
};

}  // namespace kivtransfer
