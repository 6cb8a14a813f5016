#pragma once
// Where requests for the assistant program are written: "dlcwork.tmp" in
// the low-integrity temporary folder in the protected layout, else in the
// user's temporary folder. The assistant reads the same path.
#include <string>

namespace kivassistant {

// The work file's Windows-form path; false with the last error when the
// folder cannot be had (the folder itself may not exist yet).
bool GetAssistantWorkFilePath(std::string& path);

}  // namespace kivassistant
