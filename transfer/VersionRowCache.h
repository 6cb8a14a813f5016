#pragma once
// The rows of a record file as this process last read or wrote them. A load
// or save that finds the very same bytes on disk takes the rows from here
// instead of parsing each row again: the record holds a row per item of a
// page until verification, so parsing it on every save made a page's saves
// cost the square of its items. Equal bytes always hold equal rows, so
// another process's save is noticed whatever it wrote. One file is kept.
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "transfer/Composition.h"

namespace kivtransfer {

class CVersionRowCache {
public:
    using Entries = std::map<std::string, tagComposition, std::less<>>;

    static CVersionRowCache& Instance();

    // True with `rows` set when `bytes` are what was last remembered for `path`.
    bool Find(std::string_view path, std::string_view bytes, Entries& rows) const;
    // `rows` are exactly what `bytes` hold, every line parsed.
    void Remember(std::string_view path, std::string_view bytes, const Entries& rows);
    void Forget();

private:
    mutable std::mutex mutex_;
    std::string path_;
    std::string bytes_;
    Entries rows_;
};

}  // namespace kivtransfer
