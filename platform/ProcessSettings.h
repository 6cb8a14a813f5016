#pragma once

namespace win {

// Linux has no integrity levels: the protected layout (assistant program,
// low-integrity folders) is a process setting the host turns on; off by default.
void SetProtectedLayout(bool on);
bool IsProtectedLayout();

}  // namespace win
