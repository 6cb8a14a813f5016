#include "transfer/WrittenDigest.h"

namespace kivtransfer {

void CWrittenDigest::Restart() {
    hash_.Restart();
    length_ = 0;
    sealed_.reset();
}

void CWrittenDigest::Update(const void* data, std::size_t count) {
    sealed_.reset();
    hash_.Update(static_cast<const CryptoPP::byte*>(data), count);
    length_ += count;
}

void CWrittenDigest::Seal(const win::FileStamp& stamp) {
    if (stamp.size == length_) {
        sealed_ = stamp;
    } else {
        sealed_.reset();
    }
}

bool CWrittenDigest::DigestFor(const win::FileStamp& current, std::string& digest) const {
    if (!Covers(current)) {
        return false;
    }
    CryptoPP::SHA256 copy(hash_);  // this one may still be continued
    CryptoPP::byte bytes[CryptoPP::SHA256::DIGESTSIZE];
    copy.Final(bytes);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    digest.clear();
    for (const CryptoPP::byte value : bytes) {
        digest += kDigits[value >> 4];
        digest += kDigits[value & 0x0F];
    }
    return true;
}

}  // namespace kivtransfer
