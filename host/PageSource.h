#pragma once
// Reads a page's bytes: a local file, or an http(s) URL fetched with one
// bounded GET (size, time-outs and an overall deadline).
#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxPageBytes = 8 * 1024 * 1024;

struct PageFetchLimits {
    unsigned connectTimeoutMs = 15000;
    unsigned readTimeoutMs = 15000;  // without any data
    unsigned deadlineMs = 60000;     // for the whole fetch
};

// http:// or https:// (any case).
bool IsWebUrl(std::string_view source);

// The page's bytes, and for a URL the server's Content-Type (empty when it
// sent none). False with `error` (one line) when the page cannot be read.
bool ReadPageSource(const std::string& source, std::string& bytes, std::string& contentType,
                    std::string& error, const PageFetchLimits& limits = {});
