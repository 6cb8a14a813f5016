#pragma once
// One content item over HTTP: the size query (HEAD) and the file transfer
// (GET into the local file, continuing a partial one with a byte range).
// Both run on the worker thread, store any failure in the control's error
// state and return false; nothing is thrown out of them.
#include <cstddef>
#include <memory>
#include <string>

#include "platform/HttpFile.h"
#include "platform/WinTypes.h"
#include "transfer/ContentData.h"
#include "transfer/DownloadControl.h"

namespace kivtransfer {

// What else the size query's answer said, for tools that show it.
struct SizeQueryAnswer {
    win::DWORD status = 0;
    std::string contentType;  // empty when absent
};

// Sets the item's size from Content-Length (unchanged when absent or not a
// number) and its lastModified from Last-Modified (empty when absent), and
// `answer`, when given, once the server accepted the request.
// `begun`, when given, is this query's request from BeginSizeQuery: only
// its answer is waited for.
bool SizeQuery(IDownloadControl& control, const std::string& url, CONTENTDATA& item,
               SizeQueryAnswer* answer = nullptr, std::unique_ptr<win::CHttpFile> begun = nullptr);

// The size query's request for `url`, already on its way to the server;
// null when it cannot be started now (SizeQuery then sends it itself).
std::unique_ptr<win::CHttpFile> BeginSizeQuery(IDownloadControl& control, const std::string& url);

struct FileTransferRequest {
    std::string url;
    std::string localPath;  // Windows form
    std::string extraHeaders;
    bool checkContentType = true;  // an HTML answer is a failure (303)
    bool toDialog = true;          // post progress, rate and totals to the dialog's window
    std::size_t itemIndex = 0;
    // The request already sent for this item (CTransfersAhead), taken by
    // the attempt when it would send the same lines; null or empty: none.
    std::unique_ptr<win::CHttpFile>* begunGet = nullptr;
};

// Downloads the item at `request.itemIndex` of the control's list.
bool FileTransfer(IDownloadControl& control, const FileTransferRequest& request);

}  // namespace kivtransfer
