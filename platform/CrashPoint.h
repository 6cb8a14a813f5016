#pragma once
// Test builds only (KIV_CRASH_POINTS): every durable step of the file layer
// (a create, a write, a rename, an unlink, a truncate, an fsync) is counted,
// and the process kills itself with SIGKILL just before step
// KIV_CRASH_AT, so that a driver can stop a run at every such step in turn.
// KIV_CRASH_LOG names a file that receives the number of each step taken.
// In any other build the call is empty and the environment is never read.
namespace win {

#ifdef KIV_CRASH_POINTS
void CrashPoint();
#else
inline void CrashPoint() {}
#endif

}  // namespace win
