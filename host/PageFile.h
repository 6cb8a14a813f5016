#pragma once
// A page from a local file (a plain path or a file:// URL).
#include <string>

bool ReadPageFile(const std::string& source, std::string& bytes, std::string& error);
