#include "platform/Landlock.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "platform/LastError.h"
#include "platform/UniqueFd.h"

namespace win {

namespace {

// Older kernel headers stop at the first ABI.
#ifndef LANDLOCK_ACCESS_FS_REFER
#define LANDLOCK_ACCESS_FS_REFER (1ULL << 13)
#endif
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif

// Scoping arrived with ABI 6; headers older than the kernel lack it.
constexpr std::uint64_t kScopeAbstractUnixSocket = 1ULL << 0;
constexpr std::uint64_t kScopeSignal = 1ULL << 1;
constexpr int kFirstScopingAbi = 6;
constexpr int kFirstNetworkAbi = 4;

// The ruleset's attributes as ABI 6 lays them out; older kernels are given
// only the fields they know (network rights stay unhandled throughout).
struct RulesetAttr {
    std::uint64_t handledAccessFs;
    std::uint64_t handledAccessNet;
    std::uint64_t scoped;
};

std::size_t RulesetAttrSize(int abi) {
    if (abi >= kFirstScopingAbi) return sizeof(RulesetAttr);
    if (abi >= kFirstNetworkAbi) return 2 * sizeof(std::uint64_t);
    return sizeof(std::uint64_t);
}

constexpr std::uint64_t kWriteRights =
    LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE |
    LANDLOCK_ACCESS_FS_MAKE_CHAR | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
    LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_BLOCK |
    LANDLOCK_ACCESS_FS_MAKE_SYM;

// Renames and links (REFER) are handled from ABI 2, truncation from ABI 3;
// an older kernel refuses rights it does not know.
std::uint64_t WriteRightsOf(int abi) {
    std::uint64_t rights = kWriteRights;
    if (abi >= 2) rights |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3) rights |= LANDLOCK_ACCESS_FS_TRUNCATE;
    return rights;
}

// Grants `rights` below `folder`. A missing path or one that is no folder
// is skipped; other failures return false with errno set.
bool AllowBelow(int ruleset, const std::string& folder, std::uint64_t rights) {
    CUniqueFd path(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (path.Get() < 0) return errno == ENOENT || errno == ENOTDIR;
    landlock_path_beneath_attr rule{};
    rule.allowed_access = rights;
    rule.parent_fd = path.Get();
    if (syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) == 0) {
        return true;
    }
    const int error = errno;
    close(path.Release());
    errno = error;  // for the caller, past the clean-up
    return false;
}

}  // namespace

int LandlockAbiVersion() {
    const long version =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return version > 0 ? static_cast<int>(version) : 0;
}

bool LandlockScopes(int abi) {
    return abi >= kFirstScopingAbi;
}

int CreateWriteRuleset(const std::vector<std::string>& writableFolders,
                       const LandlockExtras& extras) {
    const int abi = LandlockAbiVersion();
    if (abi == 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return -1;
    }
    const std::uint64_t rights = WriteRightsOf(abi);
    RulesetAttr attributes{rights, 0, 0};
    if (LandlockScopes(abi)) {
        if (extras.scopeAbstractSockets) attributes.scoped |= kScopeAbstractUnixSocket;
        if (extras.scopeSignals) attributes.scoped |= kScopeSignal;
    }
    CUniqueFd ruleset(static_cast<int>(
        syscall(SYS_landlock_create_ruleset, &attributes, RulesetAttrSize(abi), 0)));
    if (ruleset.Get() < 0) {
        SetLastErrorFromErrno(errno);
        return -1;
    }
    for (const std::string& folder : writableFolders) {
        if (!AllowBelow(ruleset.Get(), folder, rights)) {
            SetLastErrorFromErrno(errno);
            return -1;
        }
    }
    // Existing files only: no entry can be made, renamed, linked or removed.
    for (const std::string& folder : extras.openForWritingOnly) {
        if (!AllowBelow(ruleset.Get(), folder, LANDLOCK_ACCESS_FS_WRITE_FILE)) {
            SetLastErrorFromErrno(errno);
            return -1;
        }
    }
    return ruleset.Release();
}

BOOL ConfineThreadWrites(const std::vector<std::string>& writableFolders,
                         const LandlockExtras& extras) {
    const CUniqueFd ruleset(CreateWriteRuleset(writableFolders, extras));
    if (ruleset.Get() < 0) return FALSE;
    // Both act on the calling thread only; the second requires the first
    // unless the process has CAP_SYS_ADMIN.
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        syscall(SYS_landlock_restrict_self, ruleset.Get(), 0) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

}  // namespace win
