#pragma once
// One content item of a download run, created from the page's parameters and
// owned by the control's ordered list for the control's whole life.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr std::uint32_t CDF_PREPARED = 0x00000002;
constexpr std::uint32_t CDF_RETRY = 0x00000004;
constexpr std::uint32_t CDF_RESUME = 0x00000008;
constexpr std::uint32_t CDF_RECEIVING = 0x00000010;
constexpr std::uint32_t CDF_BROKEN = 0x00000100;
constexpr std::uint32_t CDF_UNRECORDED = 0x20000000;
constexpr std::uint32_t CDF_COMPLETE = 0x40000000;
constexpr std::uint32_t CDF_FINALIZED = 0x80000000;

namespace win {
class CFile;
}

namespace kivtransfer {

class CWrittenDigest;

struct CONTENTDATA {
    std::uint32_t flags = 0;
    std::string url;
    std::string name;
    std::string localPath;  // Windows form
    std::string hash;       // 64 upper-case hex digits, or empty
    std::int32_t connectRetries = 0;
    std::int32_t sizeRetries = 0;
    std::uint64_t size = 0;
    std::string lastModified;
    // Times a transfer found the source changed since its size query (a body
    // longer than the size, a range of another Last-Modified).
    std::int32_t sourceChanges = 0;
    // The name (in the item's folder) that a file found with the item's name
    // but not the item's own was moved to, so the download could not replace
    // it; empty when there was none.
    std::string keptAsideAs;
    // Whether the file at the final name is the item's own earlier copy,
    // which the user asked to download again: the new file takes its place
    // instead of keeping it aside.
    bool replacesFinal = false;
    // The file kept aside had the item's size and a hash other than the
    // page's: most likely the item's own copy, changed since it was downloaded.
    bool keptAsideChanged = false;
    // With a hash: the digest of the local file's bytes as this run's
    // transfers wrote them; null until the first one starts writing.
    std::shared_ptr<CWrittenDigest> writtenDigest;
    // The local file as this run's transfer finished it, held open until it
    // is placed (HeldFile.h); null before, and once let go.
    std::shared_ptr<win::CFile> heldFile;
    // The file and Last-Modified of the record row this run saved or found
    // claiming the item's file; empty while it knows of none.
    std::string claimedPath;
    std::string claimedLastModified;
};

using ContentList = std::vector<std::unique_ptr<CONTENTDATA>>;

}  // namespace kivtransfer
