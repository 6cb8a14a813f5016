#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/File.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"

namespace win::registry {

namespace {

constexpr const char* kStoreFolderName = "/kiv-downloader";
constexpr const char* kStoreFileName = "/user.reg";
constexpr const char* kLowStoreFolderName = "/kiv-downloader/low";
constexpr const char* kLowStoreFileName = "/low.reg";
constexpr const char* kLockSuffix = ".lock";
constexpr const char* kBackupSuffix = ".bad";
constexpr int kMaxBackups = 1000;

thread_local bool threadUsesLowStore = false;

bool GetUserStoreFolder(std::string& folder) {
    if (!GetKnownFolderNativePath(KnownFolder::RoamingAppData, folder)) return false;
    folder += kStoreFolderName;
    return true;
}

bool GetLowStoreFolder(std::string& folder) {
    if (!GetKnownFolderNativePath(KnownFolder::LocalAppDataLow, folder)) return false;
    folder += kLowStoreFolderName;
    return true;
}

// The store the calling thread reads and writes, and its file.
bool GetStoreFolder(std::string& folder, std::string& path) {
    const bool low = threadUsesLowStore;
    if (!(low ? GetLowStoreFolder(folder) : GetUserStoreFolder(folder))) return false;
    path = folder + (low ? kLowStoreFileName : kStoreFileName);
    return true;
}

DWORD ErrnoCode(int error) {
    return Win32FromErrno(error, true);
}

// Creates the folder and the ones above it; settings are the user's own (0700).
DWORD EnsureFolder(const std::string& folder) {
    for (std::size_t slash = 1; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        std::string step = folder.substr(0, slash);
        if (mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) return ErrnoCode(errno);
    }
    return ERROR_SUCCESS;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Holds flock on the lock file until destroyed.
class CStoreLock {
public:
    CStoreLock() = default;
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;
    ~CStoreLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }

    DWORD Acquire(const std::string& path, int operation) {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        // A store in a folder the user may only read can still be read.
        if (fd_ < 0 && operation == LOCK_SH) fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return ErrnoCode(errno);
        while (flock(fd_, operation) != 0) {
            if (errno != EINTR) return ErrnoCode(errno);
        }
        return ERROR_SUCCESS;
    }

private:
    int fd_ = -1;
};

DWORD ReadBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ERROR_SUCCESS : ErrnoCode(errno);
    char buffer[65536];
    DWORD result = ERROR_SUCCESS;
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) result = ErrnoCode(errno);
        if (count <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    return result;
}

// Keeps a file that is no store under the first free backup name (a hard
// link: atomic, and it never replaces an earlier backup).
DWORD KeepAside(const std::string& path) {
    for (int number = 0; number < kMaxBackups; ++number) {
        std::string backup = path + kBackupSuffix;
        if (number > 0) backup += "." + std::to_string(number);
        if (link(path.c_str(), backup.c_str()) == 0) return ERROR_SUCCESS;
        if (errno != EEXIST) return ErrnoCode(errno);
    }
    return ERROR_FILE_EXISTS;
}

DWORD WriteStore(const std::string& path, const Document& document) {
    std::string windowsPath;
    if (!FromNativePath(path, windowsPath) ||
        !ReplaceFileAtomically(windowsPath, FormatRegistryText(document))) {
        return GetLastError();
    }
    return ERROR_SUCCESS;
}

}  // namespace

bool GetStoreFilePath(std::string& nativePath) {
    if (!GetUserStoreFolder(nativePath)) return false;
    nativePath += kStoreFileName;
    return true;
}

bool GetLowStoreFilePath(std::string& nativePath) {
    if (!GetLowStoreFolder(nativePath)) return false;
    nativePath += kLowStoreFileName;
    return true;
}

void UseLowStoreOnThisThread() {
    threadUsesLowStore = true;
}

bool ThisThreadUsesLowStore() {
    return threadUsesLowStore;
}

DWORD ReadStore(const std::function<DWORD(const CRegistryHive&)>& query) {
    std::string folder;
    std::string path;
    if (!GetStoreFolder(folder, path)) return ERROR_PATH_NOT_FOUND;
    Document document;
    if (IsFolder(folder)) {
        CStoreLock lock;
        std::string bytes;
        DWORD result = lock.Acquire(path + kLockSuffix, LOCK_SH);
        if (result == ERROR_SUCCESS) result = ReadBytes(path, bytes);
        if (result != ERROR_SUCCESS) return result;
        if (!ParseRegistryText(bytes, document)) document = Document();
    }
    return query(CRegistryHive(std::move(document)));
}

DWORD UpdateStore(const std::function<DWORD(CRegistryHive&)>& change) {
    std::string folder;
    std::string path;
    if (!GetStoreFolder(folder, path)) return ERROR_PATH_NOT_FOUND;
    CStoreLock lock;
    std::string bytes;
    DWORD result = EnsureFolder(folder);
    if (result == ERROR_SUCCESS) result = lock.Acquire(path + kLockSuffix, LOCK_EX);
    if (result == ERROR_SUCCESS) result = ReadBytes(path, bytes);
    if (result != ERROR_SUCCESS) return result;
    Document document;
    bool isStore = ParseRegistryText(bytes, document);
    if (!isStore) document = Document();
    CRegistryHive hive(std::move(document));
    result = change(hive);
    if (result != ERROR_SUCCESS || !hive.Modified()) return result;
    if (!isStore && (result = KeepAside(path)) != ERROR_SUCCESS) return result;
    return WriteStore(path, hive.GetDocument());
}

}  // namespace win::registry
