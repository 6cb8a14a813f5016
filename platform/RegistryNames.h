#pragma once
// Key paths and names of the settings store.
#include <string>
#include <string_view>
#include <vector>

namespace win::registry {

using KeyPath = std::vector<std::string>;  // components, the root first

// Splits "A\B\C" at its backslashes, walking characters so that a Shift-JIS
// trail byte 0x5C is not taken for a separator. An empty text gives no
// components; an empty component or a name that cannot be stored gives false.
bool SplitKeyPath(std::string_view path, KeyPath& components);
std::string JoinKeyPath(const KeyPath& components);

// CR, LF and NUL cannot be written into a line of the store file.
bool IsStorableName(std::string_view name);

// Registry names match without regard to the case of ASCII letters.
bool SameName(std::string_view a, std::string_view b);
// The name with its single-byte ASCII letters lower-cased: equal for names that match.
std::string FoldedName(std::string_view name);
bool SamePath(const KeyPath& a, const KeyPath& b);
// True when `path` is `ancestor` or lies below it.
bool IsWithin(const KeyPath& path, const KeyPath& ancestor);

}  // namespace win::registry
