#pragma once
// kivtool's command table: each command takes its own arguments (after the
// command words) and returns the process exit status.
#include <string>
#include <vector>

namespace kivtool {

constexpr int kSuccess = 0;
constexpr int kRefused = 1;
constexpr int kMisuse = 2;

using Args = std::vector<std::string>;

int RunNameCheck(const std::string& which, const Args& args);
int RunCsvFields(const Args& args);
int RunRecord(const Args& args);
int RunSetting(const Args& args);
int RunString(const Args& args);
int RunPaths(const Args& args);
int RunDigest(const Args& args);
int RunProbe(const Args& args);
int RunMessage(const Args& args);
int RunRateTime(const Args& args);
int RunBytes(const Args& args);
int RunExplain(const Args& args);

// Prints the usage text to stderr and returns kMisuse.
int Usage(const std::string& problem);

}  // namespace kivtool
