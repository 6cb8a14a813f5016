#pragma once
// Starts a program as a confined worker process. Between fork and exec the
// child leaves the caller's session (setsid: no controlling terminal, so no
// terminal to push input into), sets no_new_privs and enters the Landlock
// ruleset it is given, so the program is confined from its first
// instruction; it installs its system-call filter itself
// (ConfinedWorkerStart.h) before it reads anything. Its standard input,
// output and error are /dev/null; descriptor 3 is its end of the boundary
// channel; no other descriptor of the caller reaches it.
#include <sys/types.h>

#include <string>
#include <vector>

namespace win {

constexpr int kConfinedChannelFd = 3;

// `landlockRuleset` is a descriptor from CreateWriteRuleset, or -1 when the
// kernel has none (the caller says so to the user). The child ends with
// status 127 when it cannot be confined as asked or cannot start the
// program. Returns the child's id, or -1 with errno.
pid_t SpawnConfined(const std::vector<std::string>& argv, int childChannel, int landlockRuleset);

}  // namespace win
