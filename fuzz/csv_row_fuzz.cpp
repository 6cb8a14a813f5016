// One line of text through the CSV parser and the version file's row reader.
// Beyond not crashing: the parser's result must agree with the line's
// blanks and never hold more bytes than the line, and a row that reads must
// format again into a row that reads back to the same values, so whatever a
// load accepts a save can write.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/CSVParser.h"
#include "transfer/VersionFile.h"

using kivtransfer::CCSVParser;
using kivtransfer::CVersionFile;
using kivtransfer::tagComposition;

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void SplitLine(std::string_view line, bool trim) {
    CCSVParser parser;
    parser.SetTrim(trim);
    parser.SetLine(line);
    std::vector<std::string> fields;
    const bool split = parser.Parse(fields) == 1;
    const bool usable =
        trim ? line.find_first_not_of(" \t") != std::string_view::npos : !line.empty();
    Check(split == usable);
    Check(split || fields.empty());
    if (!split) {
        return;
    }
    const auto commas = static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
    Check(fields.size() <= commas + 1);
    std::size_t bytes = fields.size() - 1;  // the separators between fields
    for (const std::string& field : fields) {
        bytes += field.size();
    }
    Check(bytes <= line.size());
}

CVersionFile& RowReader() {
    // Open on a file that does not exist: the object stays open with no
    // entries, which is all the row operations need.
    static CVersionFile* file = [] {
        auto* opened = new CVersionFile;
        opened->Open("Z:\\nonexistent-kiv-fuzz-folder\\versions.dat");
        return opened;
    }();
    return *file;
}

void RoundTripRow(std::string_view line) {
    CVersionFile& file = RowReader();
    std::string key;
    tagComposition entry;
    if (file.ParseRow(line, key, entry) != 1) {
        return;
    }
    std::size_t length = 0;
    if (file.FormatRow(key, entry, nullptr, length) != 1) {
        // The only rows a load accepts but a save cannot write.
        Check(key.find_first_not_of('"') == std::string::npos);
        return;
    }
    std::string row(length, '\0');
    Check(file.FormatRow(key, entry, row.data(), length) == 1 && length == row.size());
    Check(row.size() >= 2 && row.find('\n') == row.size() - 1 && row[row.size() - 2] == '\r');
    std::string keyAgain;
    tagComposition entryAgain;
    Check(file.ParseRow(std::string_view(row).substr(0, row.size() - 2), keyAgain, entryAgain) ==
          1);
    Check(keyAgain == key);
    Check(entryAgain == entry);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    SplitLine(input, true);
    SplitLine(input, false);
    // A loaded line never holds a line feed: the loader splits there.
    RoundTripRow(input.substr(0, input.find('\n')));
    return 0;
}
