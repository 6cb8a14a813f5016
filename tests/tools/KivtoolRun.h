#pragma once
// Runs kivtool with arguments (no shell), capturing standard output and the exit status.
#include <string>
#include <vector>

struct ToolResult {
    int status = -1;
    std::string out;
};

ToolResult RunKivtool(const std::vector<std::string>& args);
