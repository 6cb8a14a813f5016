#include "transfer/DownloadControl.h"

#include "platform/InternetSession.h"

namespace kivtransfer {

IDownloadControl::IDownloadControl() = default;

IDownloadControl::~IDownloadControl() = default;

win::CInternetSession& IDownloadControl::Session() {
    if (!session_) {
        session_ = std::make_unique<win::CInternetSession>();
    }
    return *session_;
}

}  // namespace kivtransfer
