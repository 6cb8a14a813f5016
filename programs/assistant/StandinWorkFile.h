#pragma once
// Reading the control's requests from the work file. Every reader checks the
// length first: a file shorter than its kind's record, or a content list
// whose item count does not fit the file, is refused (nullopt), so a torn or
// hostile file can never make us read past its end.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct GreetingRequest {
    std::uint32_t dialogWindow = 0;
    std::uint32_t replyWindow = 0;
};

struct ContentListEntry {
    std::string name;
    std::string url;
};

struct ContentListRequest {
    std::string caption;
    std::string versionFilePath;
    std::vector<ContentListEntry> items;
};

struct PlaceFileRequest {
    std::string source;       // Windows form
    std::string destination;  // Windows form
};

using WorkFileBytes = std::span<const std::uint8_t>;

// The request kind in the first 4 bytes; nullopt for a shorter file.
std::optional<std::uint32_t> WorkFileKind(WorkFileBytes file);

// Each takes the whole work file (kind included) and checks its kind.
std::optional<GreetingRequest> ReadGreeting(WorkFileBytes file);
// Also refused when the identifier is not our content-list identifier.
std::optional<ContentListRequest> ReadContentList(WorkFileBytes file);
// Also refused when either path is empty.
std::optional<PlaceFileRequest> ReadPlaceFile(WorkFileBytes file);

// The whole work file at `nativePath`, at most `limit` bytes; nullopt when it
// cannot be read, is larger, or is not a plain file (a link is not followed).
std::optional<std::vector<std::uint8_t>> LoadWorkFile(const std::string& nativePath,
                                                      std::size_t limit);
