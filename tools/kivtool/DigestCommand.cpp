// digest FILE: the SHA-256 of a file exactly as the verification phase
// computes it, so support staff can compare it with a page's hash.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "env/Locations.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "tools/kivtool/Command.h"
#include "transfer/FileDigest.h"

using kivtransfer::FileDigest;

namespace kivtool {
namespace {

int Refuse(win::DWORD error) {
    const std::string text = env::GetSystemErrorText(error);
    if (text.empty()) {
        std::fprintf(stderr, "error %u\n", error);
    } else {
        std::fputs(text.c_str(), stderr);
    }
    return kRefused;
}

}  // namespace

int RunDigest(const Args& args) {
    if (args.size() != 1) return Usage("digest takes one FILE");
    std::error_code ignored;
    const std::filesystem::path native = std::filesystem::absolute(args[0], ignored);
    std::string windowsPath;
    if (!win::FromNativePath(native.string(), windowsPath)) return Refuse(win::GetLastError());
    std::string digest;
    if (!FileDigest(windowsPath, digest)) return Refuse(win::GetLastError());
    std::printf("%s\n", digest.c_str());
    return kSuccess;
}

}  // namespace kivtool
