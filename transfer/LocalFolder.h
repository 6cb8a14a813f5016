#pragma once
// The folder part of a Windows-form file path.
#include <string>
#include <string_view>

namespace kivtransfer {

// Everything up to and including the last backslash, walking characters so a
// double-byte character's trail byte is never taken for one; empty when
// there is no backslash.
std::string LocalFolder(std::string_view path);

}  // namespace kivtransfer
