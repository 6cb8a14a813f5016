#include "transfer/FileDigest.h"

#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>

#include <algorithm>
#include <memory>
#include <new>

#include "platform/File.h"
#include "platform/LastError.h"

namespace kivtransfer {

namespace {

// Pieces this large cost the read calls and the callback next to nothing
// against the hashing itself, and still fit the CPU's second-level cache.
constexpr std::size_t kChunkBytes = 64 * 1024;

// Feeds the file to `filter` piece by piece; the last piece carries the end
// of the message. False with the last error set.
bool HashPieces(win::CFile& file, std::uint64_t fileSize, CryptoPP::HashFilter& filter,
                DigestProgress progress, void* context) {
    // One buffer for the whole file (too large for a stack): the loop neither
    // allocates nor copies.
    const std::unique_ptr<CryptoPP::byte[]> storage(new CryptoPP::byte[kChunkBytes]);
    CryptoPP::byte* const buffer = storage.get();
    std::uint64_t done = 0;
    while (done < fileSize) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, fileSize - done));
        const long long got = file.Read(buffer, wanted);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            // The file shrank after its size was taken: what was read is not the file.
            win::SetLastError(win::ERROR_HANDLE_EOF);
            return false;
        }
        done += static_cast<std::uint64_t>(got);
        filter.Put2(buffer, static_cast<std::size_t>(got), done == fileSize ? -1 : 0, true);
        if (progress != nullptr &&
            progress(fileSize, static_cast<std::uint64_t>(got), done, context) == 0) {
            win::SetLastError(win::ERROR_CANCELLED);
            return false;
        }
    }
    if (fileSize == 0) {
        filter.MessageEnd();
    }
    return true;
}

}  // namespace

bool FileDigest(std::string_view localPath, std::string& digest, DigestProgress progress,
                void* context, bool otherNames) {
    try {
        win::CFile file;
        // Only a plain file: a FIFO or a link planted in its place is not hashed.
        const unsigned names = otherNames ? win::CFile::modeOtherNames : 0u;
        if (!file.Open(localPath, win::CFile::modeRead | win::CFile::shareDenyNone |
                                      win::CFile::modeNoFollow | names)) {
            return false;
        }
        std::uint64_t fileSize = 0;
        if (!file.GetLength(fileSize)) {
            return false;
        }
        std::string text;
        CryptoPP::SHA256 hash;
        CryptoPP::HashFilter filter(
            hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(text), true /* upper case */));
        if (!HashPieces(file, fileSize, filter, progress, context)) {
            return false;
        }
        digest = std::move(text);
        return true;
    } catch (const CryptoPP::Exception&) {
        win::SetLastError(win::ERROR_GEN_FAILURE);
    } catch (const std::bad_alloc&) {
        win::SetLastError(win::ERROR_NOT_ENOUGH_MEMORY);
    }
    return false;
}

}  // namespace kivtransfer
