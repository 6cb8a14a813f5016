#pragma once
// Internal to the platform layer: the buffer rules of GetModuleFileNameA.
#include <string_view>

#include "platform/WinTypes.h"

namespace win::detail {

// Copies `path` with its terminating zero: the length copied, or `size`
// when it was cut (size - 1 bytes and a zero; ERROR_INSUFFICIENT_BUFFER).
DWORD CopyModulePath(std::string_view path, char* buffer, DWORD size);

}  // namespace win::detail
