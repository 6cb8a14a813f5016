#pragma once
// The record of downloads that are not finished or not trusted: one row per
// key (the item's URL or local path) with the local file, the server's
// Last-Modified text seen when the download began (or "FILEBROKEN") and a
// number of flag bits.
//
// Several processes use the file at once (other controls, the assistant
// program), so every load and save holds a named mutex. A save re-reads the
// file under that mutex and applies only this object's own changes since its
// load (sets and removes, per key) to the rows found there, so concurrent
// writers keep each other's rows; it then replaces the file atomically, so a
// crash never leaves a truncated record. Save also waits until the record is
// on the disk; SaveWithoutFlush does not. When the file on disk no longer
// parses at save time, the save keeps every row that still parses, adds the
// rows of this object's view that are missing there, and drops the lines
// that do not parse.
//
// An object is meant for one use on one thread: open, read or change, save.
#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"
#include "transfer/Composition.h"
#include "transfer/VersionRowCache.h"

namespace kivtransfer {

class CVersionFile {
public:
    // Sorted so the rows of a saved file come out in a stable order.
    using Entries = CVersionRowCache::Entries;

    CVersionFile() = default;
    // Opens `path`; any failure is swallowed (see Open).
    explicit CVersionFile(std::string_view path);
    CVersionFile(const CVersionFile&) = delete;
    CVersionFile& operator=(const CVersionFile&) = delete;

    // Closes without saving: a change that was not saved is lost.
    virtual ~CVersionFile();
    // 1 when the file exists and loaded. The object is open afterwards also
    // when the file is missing (a save then creates it). A file with a row
    // that does not parse is kept as "<name>.bad" (replacing an older one)
    // and the object is open and empty, as for a missing file; any other
    // failed load closes it, keeping the rows read before the bad one.
    virtual win::BOOL Open(std::string_view path);
    virtual win::BOOL Save();
    // As Save, as safe from a process that dies at any point, without waiting
    // for the disk: a power cut may bring back the rows before it. For saves
    // whose loss costs no more than a check done again, so that they do not
    // wait until a file just downloaded has reached the disk.
    win::BOOL SaveWithoutFlush();
    virtual void Close();
    // Creates the entry if missing and sets all three values. Refuses values
    // with a line feed, and an empty key or one made only of quotes.
    virtual win::BOOL Set(std::string_view key, std::string_view path, std::string_view storedText,
                          win::LONG number);
    // 1 also when the key is absent; a later save removes it from the file.
    virtual win::BOOL Remove(std::string_view key);
    virtual win::BOOL SetStoredText(std::string_view key, std::string_view text);
    virtual win::BOOL SetPath(std::string_view key, std::string_view path);
    virtual win::BOOL SetNumber(std::string_view key, win::LONG number);
    // Works also while the object is not open.
    virtual win::BOOL GetStoredText(std::string_view key, std::string& text) const;
    virtual win::BOOL GetPath(std::string_view key, std::string& path) const;
    // 0 when the key is absent.
    virtual win::LONG GetNumber(std::string_view key) const;
    // Drops every entry; a later save removes their rows from the file.
    virtual void ClearEntries();
    // The save proper: works without the open flag, refuses without a path.
    virtual win::BOOL Write();
    // The load proper: replaces the entries with the file's rows.
    virtual win::BOOL Load();
    // Formats one row, CR LF included. Without a buffer only `length` is set
    // (bytes, no terminating zero); with one, `length` gives its size and
    // must hold the row (a zero follows when there is room), else 0 is
    // returned with `length` set to the size needed.
    virtual win::BOOL FormatRow(std::string_view key, const tagComposition& entry, char* buffer,
                                std::size_t& length) const;
    // Reads one row (without its line end).
    virtual win::BOOL ParseRow(std::string_view line, std::string& key,
                               tagComposition& entry) const;

    bool IsOpen() const { return open_; }
    const std::string& GetFilePath() const { return filePath_; }
    const Entries& GetEntries() const { return entries_; }

private:
    bool ReadRowsOnDisk(Entries& rows, bool& intact) const;
    Entries MergeWithDisk(Entries rowsOnDisk, bool intact) const;
    win::BOOL WriteRows(bool durable);
    win::BOOL WriteLocked(bool durable);
    bool KeepAsideLocked() const;
    tagComposition* Find(std::string_view key);
    const tagComposition* Find(std::string_view key) const;

    std::string filePath_;
    std::string lockName_;
    Entries entries_;
    // Keys this object set or removed since its load: the only rows a save
    // may change in the file.
    std::set<std::string, std::less<>> changedKeys_;
    bool open_ = false;
    bool keptAside_ = false;  // the last load moved an unreadable file aside
};

}  // namespace kivtransfer
