#include "transfer/VersionFile.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/File.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "transfer/VersionFileLock.h"
#include "transfer/VersionRow.h"

namespace kivtransfer {

namespace {

// Runs an operation; running out of memory makes it return 0.
template <typename Body>
win::BOOL ZeroOnExhaustion(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    win::SetLastError(win::ERROR_NOT_ENOUGH_MEMORY);
    return win::FALSE;
}

// Where a record that does not parse is kept for the user to look at.
constexpr const char* kKeptAsideSuffix = ".bad";

win::BOOL RefuseData() {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return win::FALSE;
}

win::BOOL RefuseMissingPath() {
    win::SetLastError(win::ERROR_INVALID_PARAMETER);
    return win::FALSE;
}

}  // namespace

CVersionFile::CVersionFile(std::string_view path) {
    try {
        Open(path);
    } catch (...) {
        // A failed open leaves a closed or empty object; callers check entries.
    }
}

CVersionFile::~CVersionFile() {
    Close();
}

win::BOOL CVersionFile::Open(std::string_view path) {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        Close();
        filePath_ = path;
        lockName_ = versionrow::MakeLockName(path);
        open_ = true;
        if (!win::FileExists(filePath_)) {
            return win::FALSE;
        }
        if (!Load()) {
            if (keptAside_) {
                // A fresh record, as for a missing file: the next save starts it.
                entries_.clear();
                changedKeys_.clear();
                return win::FALSE;
            }
            open_ = false;
            return win::FALSE;
        }
        return win::TRUE;
    });
}

win::BOOL CVersionFile::Save() {
    return open_ ? Write() : win::FALSE;
}

win::BOOL CVersionFile::SaveWithoutFlush() {
    return open_ ? WriteRows(/*durable=*/false) : win::FALSE;
}

void CVersionFile::Close() {
    entries_.clear();
    changedKeys_.clear();
    filePath_.clear();
    lockName_.clear();
    open_ = false;
}

win::BOOL CVersionFile::Set(std::string_view key, std::string_view path,
                            std::string_view storedText, win::LONG number) {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        if (!open_) {
            return win::FALSE;
        }
        if (!versionrow::IsStorableKey(key) || !versionrow::IsStorableValue(path) ||
            !versionrow::IsStorableValue(storedText)) {
            return RefuseData();
        }
        tagComposition entry{std::string(path), std::string(storedText), number};
        changedKeys_.emplace(key);
        entries_.insert_or_assign(std::string(key), std::move(entry));
        return win::TRUE;
    });
}

win::BOOL CVersionFile::Remove(std::string_view key) {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        if (!open_) {
            return win::FALSE;
        }
        changedKeys_.emplace(key);
        if (const auto found = entries_.find(key); found != entries_.end()) {
            entries_.erase(found);
        }
        return win::TRUE;
    });
}

win::BOOL CVersionFile::SetStoredText(std::string_view key, std::string_view text) {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        tagComposition* entry = open_ ? Find(key) : nullptr;
        if (entry == nullptr) {
            return win::FALSE;
        }
        if (!versionrow::IsStorableValue(text)) {
            return RefuseData();
        }
        std::string value(text);
        changedKeys_.emplace(key);
        entry->storedText = std::move(value);
        return win::TRUE;
    });
}

win::BOOL CVersionFile::SetPath(std::string_view key, std::string_view path) {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        tagComposition* entry = open_ ? Find(key) : nullptr;
        if (entry == nullptr) {
            return win::FALSE;
        }
        if (!versionrow::IsStorableValue(path)) {
            return RefuseData();
        }
        std::string value(path);
        changedKeys_.emplace(key);
        entry->path = std::move(value);
        return win::TRUE;
    });
}

win::BOOL CVersionFile::SetNumber(std::string_view key, win::LONG number) {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        tagComposition* entry = open_ ? Find(key) : nullptr;
        if (entry == nullptr) {
            return win::FALSE;
        }
        changedKeys_.emplace(key);
        entry->number = number;
        return win::TRUE;
    });
}

win::BOOL CVersionFile::GetStoredText(std::string_view key, std::string& text) const {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        const tagComposition* entry = Find(key);
        if (entry == nullptr) {
            return win::FALSE;
        }
        text = entry->storedText;
        return win::TRUE;
    });
}

win::BOOL CVersionFile::GetPath(std::string_view key, std::string& path) const {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        const tagComposition* entry = open_ ? Find(key) : nullptr;
        if (entry == nullptr) {
            return win::FALSE;
        }
        path = entry->path;
        return win::TRUE;
    });
}

win::LONG CVersionFile::GetNumber(std::string_view key) const {
    const tagComposition* entry = open_ ? Find(key) : nullptr;
    return entry == nullptr ? 0 : entry->number;
}

void CVersionFile::ClearEntries() {
    try {
        for (const auto& [key, entry] : entries_) {
            changedKeys_.insert(key);
        }
    } catch (const std::bad_alloc&) {
        // The entries go all the same; rows not marked stay in the file.
    }
    entries_.clear();
}

win::BOOL CVersionFile::Load() {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        if (filePath_.empty()) {
            return RefuseMissingPath();
        }
        entries_.clear();
        changedKeys_.clear();
        keptAside_ = false;
        CVersionFileLock lock;
        std::string bytes;
        if (!lock.Acquire(lockName_) || !win::ReadWholeFile(filePath_, bytes)) {
            return win::FALSE;
        }
        CVersionRowCache& cache = CVersionRowCache::Instance();
        if (cache.Find(filePath_, bytes, entries_)) {
            return win::TRUE;
        }
        for (const std::string_view line : versionrow::SplitLines(bytes)) {
            std::string key;
            tagComposition entry;
            if (!versionrow::ParseRowText(line, key, entry)) {
                keptAside_ = KeepAsideLocked();
                return RefuseData();
            }
            entries_.insert_or_assign(std::move(key), std::move(entry));
        }
        cache.Remember(filePath_, bytes, entries_);
        return win::TRUE;
    });
}

win::BOOL CVersionFile::Write() {
    return WriteRows(/*durable=*/true);
}

win::BOOL CVersionFile::WriteRows(bool durable) {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        if (filePath_.empty()) {
            return RefuseMissingPath();
        }
        CVersionFileLock lock;
        if (!lock.Acquire(lockName_)) {
            return win::FALSE;
        }
        return WriteLocked(durable);
    });
}

// The old file's attributes need no clearing first: the rename replaces it
// whole, hidden or read-only.
win::BOOL CVersionFile::WriteLocked(bool durable) {
    Entries rowsOnDisk;
    bool intact = true;
    if (!ReadRowsOnDisk(rowsOnDisk, intact)) {
        return win::FALSE;
    }
    Entries merged = MergeWithDisk(std::move(rowsOnDisk), intact);
    std::string bytes;
    for (auto it = merged.begin(); it != merged.end();) {
        // Only a row read from a file written elsewhere can fail here; it
        // goes rather than make the whole file unreadable.
        it = versionrow::AppendRow(it->first, it->second, bytes) ? std::next(it) : merged.erase(it);
    }
    if (!win::ReplaceFileAtomically(filePath_, bytes, durable)) {
        return win::FALSE;
    }
    CVersionRowCache::Instance().Remember(filePath_, bytes, merged);
    // Hiding only keeps the record out of sight; the rows are saved even
    // where the attribute cannot be kept.
    win::SetFileAttributes(filePath_, win::FILE_ATTRIBUTE_HIDDEN);
    entries_ = std::move(merged);
    changedKeys_.clear();
    return win::TRUE;
}

// Under the lock, so no good file another process just wrote goes aside.
bool CVersionFile::KeepAsideLocked() const {
    const std::string kept = filePath_ + kKeptAsideSuffix;
    win::DeleteFile(kept);  // an older one: this is the latest unreadable record
    return win::MoveFile(filePath_, kept) != win::FALSE;
}

bool CVersionFile::ReadRowsOnDisk(Entries& rows, bool& intact) const {
    std::string bytes;
    if (!win::ReadWholeFile(filePath_, bytes)) {
        // A missing file holds no rows; one that cannot be read may hold
        // other writers' rows, which this save must not wipe out.
        const win::DWORD error = win::GetLastError();
        return error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND;
    }
    CVersionRowCache& cache = CVersionRowCache::Instance();
    if (cache.Find(filePath_, bytes, rows)) {
        return true;
    }
    for (const std::string_view line : versionrow::SplitLines(bytes)) {
        std::string key;
        tagComposition entry;
        if (versionrow::ParseRowText(line, key, entry)) {
            rows.insert_or_assign(std::move(key), std::move(entry));
        } else {
            intact = false;
        }
    }
    if (intact) {
        cache.Remember(filePath_, bytes, rows);
    }
    return true;
}

CVersionFile::Entries CVersionFile::MergeWithDisk(Entries rowsOnDisk, bool intact) const {
    Entries merged = std::move(rowsOnDisk);
    if (!intact) {
        // Rows after a broken line may be lost from the file: restore the
        // ones this object knows of.
        for (const auto& [key, entry] : entries_) {
            merged.try_emplace(key, entry);
        }
    }
    for (const std::string& key : changedKeys_) {
        if (const tagComposition* entry = Find(key)) {
            merged.insert_or_assign(key, *entry);
        } else if (const auto found = merged.find(key); found != merged.end()) {
            merged.erase(found);
        }
    }
    return merged;
}

win::BOOL CVersionFile::FormatRow(std::string_view key, const tagComposition& entry, char* buffer,
                                  std::size_t& length) const {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        if (!open_) {
            return win::FALSE;
        }
        std::string row;
        if (!versionrow::AppendRow(key, entry, row)) {
            return RefuseData();
        }
        if (buffer != nullptr && length < row.size()) {
            length = row.size();
            win::SetLastError(win::ERROR_INSUFFICIENT_BUFFER);
            return win::FALSE;
        }
        if (buffer != nullptr) {
            std::memcpy(buffer, row.data(), row.size());
            if (length > row.size()) {
                buffer[row.size()] = '\0';
            }
        }
        length = row.size();
        return win::TRUE;
    });
}

win::BOOL CVersionFile::ParseRow(std::string_view line, std::string& key,
                                 tagComposition& entry) const {
    return ZeroOnExhaustion([&]() -> win::BOOL {
        if (!open_) {
            return win::FALSE;
        }
        return versionrow::ParseRowText(line, key, entry) ? win::TRUE : RefuseData();
    });
}

tagComposition* CVersionFile::Find(std::string_view key) {
    const auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : &found->second;
}

const tagComposition* CVersionFile::Find(std::string_view key) const {
    const auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : &found->second;
}

}  // namespace kivtransfer
