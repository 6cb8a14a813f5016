// Reading the work file: every kind from the control's own builders, and
// files that are short, lie about their item count or are not ours.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "assistant/AssistantIds.h"
#include "assistant/AssistantRecords.h"
#include "programs/assistant/StandinWorkFile.h"
#include "tests/platform/CoreTestSupport.h"

using kivassistant::AssistantBytes;
using kivassistant::BuildContentItemRecord;
using kivassistant::BuildContentListRecord;
using kivassistant::BuildGreetingRecord;
using kivassistant::BuildPlaceFileRecord;
using kivassistant::BuildWorkFile;
using kivassistant::ContentItemRecord;
using kivassistant::kContentItemRecordSize;
using kivassistant::kContentListRequest;
using kivassistant::kGreetingRequest;
using kivassistant::kPlaceFileRequest;

namespace {

AssistantBytes ContentListFile(std::uint32_t count,
                               const char* identifier = kContentListIdentifier) {
    std::vector<ContentItemRecord> items;
    for (std::uint32_t i = 0; i < count; ++i) {
        items.push_back(BuildContentItemRecord("file" + std::to_string(i) + ".bin",
                                               "http://127.0.0.1/" + std::to_string(i)));
    }
    return BuildWorkFile(kContentListRequest,
                         BuildContentListRecord("Caption", identifier, "Z:\\v\\ver.dat", items));
}

AssistantBytes Shortened(AssistantBytes bytes, std::size_t by) {
    bytes.resize(bytes.size() - by);
    return bytes;
}

TEST(StandinWorkFileTest, EachKindReadsBackWhatTheControlWrote) {
    const auto greeting =
        ReadGreeting(BuildWorkFile(kGreetingRequest, BuildGreetingRecord(7, 0x10042)));
    ASSERT_TRUE(greeting.has_value());
    EXPECT_EQ(greeting->dialogWindow, 7u);
    EXPECT_EQ(greeting->replyWindow, 0x10042u);

    const auto list = ReadContentList(ContentListFile(3));
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(list->caption, "Caption");
    EXPECT_EQ(list->versionFilePath, "Z:\\v\\ver.dat");
    ASSERT_EQ(list->items.size(), 3u);
    EXPECT_EQ(list->items[2].name, "file2.bin");
    EXPECT_EQ(list->items[2].url, "http://127.0.0.1/2");

    const auto place = ReadPlaceFile(
        BuildWorkFile(kPlaceFileRequest, BuildPlaceFileRecord("Z:\\w\\a.tmp", "Z:\\d\\a.bin")));
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->source, "Z:\\w\\a.tmp");
    EXPECT_EQ(place->destination, "Z:\\d\\a.bin");
}

TEST(StandinWorkFileTest, EmptyContentListIsStillAList) {
    const auto list = ReadContentList(ContentListFile(0));
    ASSERT_TRUE(list.has_value());
    EXPECT_TRUE(list->items.empty());
}

TEST(StandinWorkFileTest, FilesShorterThanTheirRecordAreRefused) {
    EXPECT_FALSE(WorkFileKind(AssistantBytes{1, 0, 0}).has_value());
    EXPECT_FALSE(
        ReadGreeting(Shortened(BuildWorkFile(kGreetingRequest, BuildGreetingRecord(1, 2)), 1)));
    EXPECT_FALSE(ReadPlaceFile(
        Shortened(BuildWorkFile(kPlaceFileRequest, BuildPlaceFileRecord("Z:\\a", "Z:\\b")), 1)));
    // One byte short of the closing record, and short of the items themselves.
    EXPECT_FALSE(ReadContentList(Shortened(ContentListFile(2), 1)));
    EXPECT_FALSE(ReadContentList(Shortened(ContentListFile(2), kContentItemRecordSize + 1)));
}

TEST(StandinWorkFileTest, ItemCountThatDoesNotFitTheFileIsRefused) {
    for (const std::uint32_t count : {3u, 0x00100000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        AssistantBytes file = ContentListFile(2);
        for (int i = 0; i < 4; ++i) file[8 + i] = static_cast<std::uint8_t>(count >> (8 * i));
        EXPECT_FALSE(ReadContentList(file)) << count;
    }
}

TEST(StandinWorkFileTest, RequestOfAnotherKindOrOriginIsRefused) {
    const AssistantBytes greeting = BuildWorkFile(kGreetingRequest, BuildGreetingRecord(1, 2));
    EXPECT_FALSE(ReadContentList(greeting));
    EXPECT_FALSE(ReadPlaceFile(greeting));
    EXPECT_FALSE(ReadGreeting(ContentListFile(1)));
    EXPECT_FALSE(ReadContentList(ContentListFile(1, "00000000-0000-0000-0000-000000000001")));
    EXPECT_FALSE(
        ReadPlaceFile(BuildWorkFile(kPlaceFileRequest, BuildPlaceFileRecord("", "Z:\\b"))));
    EXPECT_FALSE(
        ReadPlaceFile(BuildWorkFile(kPlaceFileRequest, BuildPlaceFileRecord("Z:\\a", ""))));
}

TEST(StandinWorkFileTest, UnterminatedTextStopsAtTheEndOfItsField) {
    AssistantBytes file = BuildWorkFile(kPlaceFileRequest, BuildPlaceFileRecord("Z:\\a", "Z:\\b"));
    std::fill(file.begin() + 8, file.begin() + 8 + 260, std::uint8_t{'s'});
    const auto place = ReadPlaceFile(file);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->source, std::string(260, 's'));
    EXPECT_EQ(place->destination, "Z:\\b");
}

// Only a plain file is read: not what a link in its place names, and not a
// FIFO, which would hold the read until someone writes it.
TEST(StandinWorkFileTest, OnlyAPlainFileIsLoaded) {
    coretest::TempFolder folder;
    const std::string request = folder.Path() + "/request";
    std::ofstream(request) << "bytes";
    ASSERT_TRUE(LoadWorkFile(request, 100).has_value());
    const std::string link = folder.Path() + "/link";
    ASSERT_EQ(::symlink(request.c_str(), link.c_str()), 0);
    EXPECT_FALSE(LoadWorkFile(link, 100).has_value());
    const std::string fifo = folder.Path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadWorkFile(fifo, 100).has_value());
}

}  // namespace
