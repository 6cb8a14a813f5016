#pragma once
// Internal to the platform layer: which windows of this process have an
// open copy-data receiver.
#include "platform/WindowTypes.h"

namespace win::detail {

void AddCopyDataWindow(HWND hwnd);
void RemoveCopyDataWindow(HWND hwnd);
bool HasCopyDataWindow(HWND hwnd);

}  // namespace win::detail
