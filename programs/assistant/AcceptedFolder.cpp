#include "programs/assistant/AcceptedFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LastError.h"

win::DWORD CAcceptedFolder::Accept(const std::string& nativeFolder, std::string& why) {
    Forget();
    win::CUniqueFd fd(::open(nativeFolder.c_str(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0) {
        const int error = errno;
        // A link could be turned to another folder between the choice and the files.
        why = "the download folder " + nativeFolder +
              (error == ELOOP ? " is a link: choose the folder it leads to" : " cannot be opened");
        return error == ELOOP || error == ENOTDIR ? win::ERROR_ACCESS_DENIED
                                                  : win::Win32FromErrno(error, true);
    }
    if (info.st_uid != ::geteuid()) {
        why = "the download folder " + nativeFolder + " belongs to another user";
        return win::ERROR_ACCESS_DENIED;
    }
    const bool othersMayRename = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 &&
                                 (info.st_mode & S_ISVTX) == 0;
    if (othersMayRename) {
        why = "the download folder " + nativeFolder +
              " can be written by other users (no sticky bit)";
        return win::ERROR_ACCESS_DENIED;
    }
    fd_ = std::move(fd);
    path_ = nativeFolder;
    return 0;
}

void CAcceptedFolder::Forget() {
    fd_.Reset();
    path_.clear();
}

bool CAcceptedFolder::StillAtItsPath() const {
    struct stat held {};
    struct stat there {};
    return Held() && ::fstat(fd_.Get(), &held) == 0 &&
           ::lstat(path_.c_str(), &there) == 0 && S_ISDIR(there.st_mode) &&
           there.st_dev == held.st_dev && there.st_ino == held.st_ino;
}
