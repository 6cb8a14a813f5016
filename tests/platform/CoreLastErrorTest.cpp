#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "platform/LastError.h"

namespace {

TEST(CoreLastError, IsKeptPerThread) {
    win::SetLastError(win::ERROR_ACCESS_DENIED);
    win::DWORD seenByOtherThread = 12345;
    std::thread other([&] {
        seenByOtherThread = win::GetLastError();
        win::SetLastError(win::ERROR_DISK_FULL);
    });
    other.join();
    EXPECT_EQ(seenByOtherThread, win::ERROR_SUCCESS);
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
}

TEST(CoreLastError, MapsErrnoSpotChecks) {
    EXPECT_EQ(win::Win32FromErrno(ENOENT), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::Win32FromErrno(ENOENT, true), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(win::Win32FromErrno(ENOTDIR, false), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(win::Win32FromErrno(EAGAIN), win::ERROR_LOCK_VIOLATION);
    EXPECT_EQ(win::Win32FromErrno(-5), win::ERROR_GEN_FAILURE);
    EXPECT_EQ(win::Win32FromErrno(0), win::ERROR_SUCCESS);
}

TEST(CoreLastError, SetFromErrnoStoresTheMappedCodeAndNeverSuccess) {
    EXPECT_EQ(win::SetLastErrorFromErrno(ENOENT, true), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
    // Called after a failure that left errno at 0: still a failure.
    EXPECT_EQ(win::SetLastErrorFromErrno(0), win::ERROR_GEN_FAILURE);
    EXPECT_EQ(win::GetLastError(), win::ERROR_GEN_FAILURE);
}

// The errno table in docs/platform.md is what users read; it must say what
// the code does.
std::map<std::string, int> ErrnoValuesByName() {
    std::map<std::string, int> byName{{"EWOULDBLOCK", EWOULDBLOCK}};
    for (int value = 1; value < 256; ++value) {
        if (const char* name = strerrorname_np(value)) byName[name] = value;
    }
    return byName;
}

struct DocumentedRow {
    std::vector<std::string> errnoNames;
    unsigned code;
};

std::vector<DocumentedRow> ReadDocumentedErrnoTable() {
    auto docPath = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() /
                   "docs" / "platform.md";
    std::ifstream doc(docPath);
    std::vector<DocumentedRow> rows;
    std::regex row(R"(^\| ([^|]*) \| (\d+)[^|]*\|)");
    std::regex name("`(E[A-Z0-9]+)`");
    for (std::string line; std::getline(doc, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, row)) continue;
        DocumentedRow documented{{}, static_cast<unsigned>(std::stoul(match[2]))};
        std::string firstCell = match[1];
        for (std::sregex_iterator it(firstCell.begin(), firstCell.end(), name), end; it != end;
             ++it) {
            documented.errnoNames.push_back((*it)[1]);
        }
        rows.push_back(documented);
    }
    return rows;
}

TEST(CoreLastError, DocumentedErrnoTableMatchesTheCode) {
    std::map<std::string, int> byName = ErrnoValuesByName();
    std::vector<DocumentedRow> rows = ReadDocumentedErrnoTable();
    ASSERT_GE(rows.size(), 20u) << "errno table not found in docs/platform.md";
    std::set<int> documented;
    unsigned otherCode = 0;
    for (const DocumentedRow& row : rows) {
        if (row.errnoNames.empty()) {
            otherCode = row.code;  // the "any other" row
            continue;
        }
        for (const std::string& errnoName : row.errnoNames) {
            ASSERT_TRUE(byName.contains(errnoName)) << errnoName;
            int value = byName[errnoName];
            documented.insert(value);
            EXPECT_EQ(win::Win32FromErrno(value), row.code) << errnoName;
        }
    }
    EXPECT_EQ(otherCode, win::ERROR_GEN_FAILURE);
    for (const auto& [errnoName, value] : byName) {
        if (!documented.contains(value)) {
            EXPECT_EQ(win::Win32FromErrno(value), otherCode) << errnoName << " is not documented";
        }
    }
}

}  // namespace
