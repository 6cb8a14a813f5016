#include "transfer/LocalFileVerdict.h"

namespace kivtransfer {

LocalFileVerdict JudgeLocalFile(std::uint64_t localSize, std::uint64_t itemSize, bool recorded,
                                const std::string& storedText, const std::string& lastModified) {
    const bool sameSource = storedText == lastModified;  // an absent entry stores nothing
    // Without an announced size an empty leftover file proves nothing: taking
    // it for complete would deliver an empty file as a success.
    if (itemSize != 0 && localSize == itemSize && (!recorded || sameSource)) {
        return LocalFileVerdict::Complete;
    }
    if (sameSource && localSize < itemSize) {
        return LocalFileVerdict::Resume;
    }
    return LocalFileVerdict::Discard;
}

}  // namespace kivtransfer
