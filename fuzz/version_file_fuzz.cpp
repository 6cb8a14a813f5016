// Whole version files. The first input byte picks the check, the rest is the
// file's content:
//   even: load it. A file that loads must save, load again to the same
//         entries and save again to the same bytes; one that does not load
//         must leave the object closed, or (a row that does not parse) open
//         and empty with the file kept aside.
//   odd:  the file appears between this object's open and its save (another
//         writer). The save must succeed whatever the content, and leave a
//         file that loads, holds this object's set and lacks its remove.
// The loader must never crash or hang, whatever the bytes.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/NativePath.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionRowCache.h"

using kivtransfer::CVersionFile;
using kivtransfer::CVersionRowCache;

namespace {

std::string gFolder;
std::string gNativePath;
std::string gPath;  // Windows form

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(gFolder, ignored);
}

void WriteContent(std::string_view bytes) {
    std::ofstream out(gNativePath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out));
}

std::string ReadContent() {
    std::ifstream in(gNativePath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CVersionFile::Entries WritableEntries(const CVersionFile::Entries& entries) {
    CVersionFile::Entries writable;
    for (const auto& [key, entry] : entries) {
        if (key.find_first_not_of('"') != std::string::npos) {
            writable.emplace(key, entry);
        }
    }
    return writable;
}

void LoadSaveLoad(std::string_view content) {
    WriteContent(content);
    CVersionFile first;
    if (first.Open(gPath) != 1) {
        Check(!first.IsOpen() ||
              (first.GetEntries().empty() && !std::filesystem::exists(gNativePath)));
        return;
    }
    const CVersionFile::Entries expected = WritableEntries(first.GetEntries());
    Check(first.Save() == 1);
    Check(first.GetEntries() == expected);
    const std::string saved = ReadContent();

    // Parsed again, not as this process remembers what it wrote.
    CVersionRowCache::Instance().Forget();
    CVersionFile second;
    Check(second.Open(gPath) == 1);
    Check(second.GetEntries() == expected);
    Check(second.Save() == 1);
    Check(ReadContent() == saved);
}

void SaveOverForeignContent(std::string_view content) {
    std::error_code ignored;
    std::filesystem::remove(gNativePath, ignored);
    CVersionFile mine;
    Check(mine.Open(gPath) == 0 && mine.IsOpen());
    Check(mine.Set("fuzz-key", "Z:\\fuzz\\file.bin", "Wed, 01 Jul 2015 00:00:00 GMT", 7) == 1);
    Check(mine.Remove("K") == 1);
    WriteContent(content);
    Check(mine.Save() == 1);

    CVersionFile reread;
    Check(reread.Open(gPath) == 1);
    Check(reread.GetNumber("fuzz-key") == 7);
    std::string text;
    Check(reread.GetStoredText("K", text) == 0);
}

// Saves sync the file; a memory-backed folder keeps that from setting the pace.
std::filesystem::path ScratchBase() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (ScratchBase() / "kiv-fuzz-XXXXXX").string();
    Check(mkdtemp(pattern.data()) != nullptr);
    gFolder = pattern;
    gNativePath = gFolder + "/versions.dat";
    Check(win::FromNativePath(gNativePath, gPath));
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view content(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        LoadSaveLoad(content);
    } else {
        SaveOverForeignContent(content);
    }
    return 0;
}
