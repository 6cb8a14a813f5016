#pragma once
// Size queries sent ahead of the preparation that reads them: the HEAD
// requests of the items after the one being prepared travel together over
// the session's pool of kept-alive connections, instead of one round trip
// after another. Answers are still read, retried and judged in page order.
#include <cstddef>
#include <map>
#include <memory>

#include "platform/HttpFile.h"
#include "transfer/DownloadControl.h"

namespace kivtransfer {

class CSizeQueriesAhead {
public:
    // As many as a browser keeps connections to one server: more would only
    // wait for a connection, their time-outs running.
    static constexpr std::size_t kDefaultDepth = 6;

    explicit CSizeQueriesAhead(IDownloadControl& control, std::size_t depth = kDefaultDepth);

    // Begins the queries of the items from `index` on, up to the depth.
    void BeginFrom(std::size_t index);

    // The request begun for item `index`, now the caller's; null when none was.
    std::unique_ptr<win::CHttpFile> Take(std::size_t index);

private:
    IDownloadControl& control_;
    std::size_t depth_;
    std::size_t next_ = 0;  // the first item not begun yet
    std::map<std::size_t, std::unique_ptr<win::CHttpFile>> begun_;
};

}  // namespace kivtransfer
