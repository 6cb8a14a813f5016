#pragma once
// A page from an http(s) URL: one GET through the internet session, bounded
// in size and time. Only status 200 is a page.
#include <string>

#include "host/PageSource.h"

bool FetchPage(const std::string& url, const PageFetchLimits& limits, std::string& bytes,
               std::string& contentType, std::string& error);
