#pragma once
// The SHA-256 of a local file's bytes from its first byte on, carried along
// while the file is written, so that the verification need not read the file
// again. It stands for the file only while the file still has the stamp
// sealed after the last write; anything that changed the file since (another
// program, an edit, a replacement) shows in the stamp, and the file is then
// read as before.
#include <cryptopp/sha.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileStamp.h"

namespace kivtransfer {

class CWrittenDigest {
public:
    // Nothing hashed: the file starts again at byte 0.
    void Restart();
    // The next bytes of the file, in the order they lie in it. Until Seal,
    // the digest stands for no file.
    void Update(const void* data, std::size_t count);
    std::uint64_t Length() const { return length_; }

    // The file holds exactly the bytes hashed and has `stamp`.
    void Seal(const win::FileStamp& stamp);
    // Whether the file with `current` stamp is the one sealed.
    bool Covers(const win::FileStamp& current) const { return sealed_ && *sealed_ == current; }
    // The digest as the verification compares it (64 upper-case hexadecimal
    // digits) when the file with `current` stamp is the one sealed.
    bool DigestFor(const win::FileStamp& current, std::string& digest) const;

private:
    CryptoPP::SHA256 hash_;
    std::uint64_t length_ = 0;
    std::optional<win::FileStamp> sealed_;
};

}  // namespace kivtransfer
