#include "platform/FileStamp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "platform/FileErrors.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"

namespace win {

namespace {

FileStamp StampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modifiedSeconds = info.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
    stamp.changedSeconds = info.st_ctim.tv_sec;
    stamp.changedNanoseconds = info.st_ctim.tv_nsec;
    return stamp;
}

bool StatOpenFile(const CFile& file, struct stat& info) {
    if (fstat(file.NativeHandle(), &info) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

}  // namespace

bool GetFileStamp(std::string_view path, FileStamp& stamp) {
    std::string native;
    if (!ToNativePath(path, native)) {
        return false;
    }
    struct stat info {};
    if (lstat(native.c_str(), &info) != 0) {
        SetLastErrorForPath(errno, native);
        return false;
    }
    if (!S_ISREG(info.st_mode) || info.st_nlink != 1 || info.st_uid != geteuid()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    stamp = StampOf(info);
    return true;
}

bool GetFileStamp(const CFile& file, FileStamp& stamp) {
    struct stat info {};
    if (!StatOpenFile(file, info)) {
        return false;
    }
    stamp = StampOf(info);
    return true;
}

bool SealFileStamp(CFile& file, FileStamp& stamp) {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    // Whole microseconds, never a whole second: kept exactly by volumes that
    // count in 100 ns, cut (and so refused below) by those that count seconds.
    now.tv_nsec -= now.tv_nsec % 1000;
    if (now.tv_nsec == 0) {
        now.tv_nsec = 1000;
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, now};
    struct stat info {};
    if (futimens(file.NativeHandle(), times) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (!StatOpenFile(file, info)) {
        return false;
    }
    if (info.st_mtim.tv_sec != now.tv_sec || info.st_mtim.tv_nsec != now.tv_nsec) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    stamp = StampOf(info);
    return true;
}

}  // namespace win
