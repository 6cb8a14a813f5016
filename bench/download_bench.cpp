// One download through the engine, as the download phase makes it: the size
// query, then the file transfer (16384-byte reads, the version-file record,
// progress to the dialog) into a hidden local file. The control is headless:
// it counts the messages instead of showing them.
//   download_bench URL OUTPUT    prints wall and CPU seconds, bytes and messages
// The version file goes below $XDG_STATE_HOME, as the product's does.
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchClock.h"
#include "platform/NativePath.h"
#include "tools/headless/HeadlessControl.h"
#include "transfer/HttpTransfer.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::ErrorState;
using kivtransfer::FileTransfer;
using kivtransfer::FileTransferRequest;
using kivtransfer::SizeQuery;

namespace {

int Failed(const char* step, const ErrorState& error) {
    std::fprintf(stderr, "download_bench: %s failed [D:%d E:%u]\n", step, error.errorCode.load(),
                 error.lastError.load());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: download_bench URL OUTPUT\n", stderr);
        return 2;
    }
    const std::string url = argv[1];
    std::error_code ignored;
    const std::filesystem::path output = std::filesystem::absolute(argv[2], ignored);
    std::string localPath;
    if (!win::FromNativePath(output.string(), localPath)) {
        std::fprintf(stderr, "download_bench: %s has no Windows form\n", argv[2]);
        return 2;
    }

    const CBenchClock clock;
    CHeadlessControl control;
    CONTENTDATA& item = control.AddItem(url, localPath);
    item.name = output.filename().string();
    item.flags |= CDF_PREPARED;
    if (!SizeQuery(control, url, item)) return Failed("size query", control.Error());
    control.Counters().AddRemainingBytes(item.size);

    FileTransferRequest request;
    request.url = url;
    request.localPath = localPath;
    if (!FileTransfer(control, request)) return Failed("transfer", control.Error());

    std::printf(
        "seconds %.3f\ncpu_seconds %.3f\nbytes %" PRIu64 "\nposts %" PRIu64 "\nsends %" PRIu64 "\n",
        clock.WallSeconds(), clock.CpuSecondsSince(), item.size, control.Posts(), control.Sends());
    return 0;
}
