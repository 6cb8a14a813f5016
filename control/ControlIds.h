#pragma once
// Fixed names of the control's shared objects.

// The cancel event: a GUID of ours in registry form with braces, so that the
// assistant program can open the same event by name.
inline constexpr const char* kCancelEventName = "{BAC96F7D-C50E-43DE-8EE1-4F49AE5F3AD7}";
