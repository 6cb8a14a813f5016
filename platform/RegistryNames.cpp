#include "platform/RegistryNames.h"

#include "platform/CodePage.h"

namespace win::registry {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

// Lower-cases single-byte ASCII letters; the bytes of double-byte characters stay.
std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (std::size_t pos = 0; pos < folded.size(); pos = CharNext(folded, pos)) {
        if (CharLength(folded, pos) == 1) folded[pos] = LowerAscii(folded[pos]);
    }
    return folded;
}

bool IsStorableName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool SplitKeyPath(std::string_view path, KeyPath& components) {
    components.clear();
    if (path.empty()) return true;
    std::size_t start = 0;
    for (std::size_t pos = 0;; pos = CharNext(path, pos)) {
        bool atEnd = pos >= path.size();
        if (atEnd || (path[pos] == '\\' && CharLength(path, pos) == 1)) {
            std::string_view component = path.substr(start, pos - start);
            if (component.empty() || !IsStorableName(component)) return false;
            components.emplace_back(component);
            if (atEnd) return true;
            start = pos + 1;
        }
    }
}

std::string JoinKeyPath(const KeyPath& components) {
    std::string joined;
    for (const std::string& component : components) {
        if (!joined.empty()) joined += '\\';
        joined += component;
    }
    return joined;
}

// Lead bytes are never ASCII letters, so while the two names agree their
// characters start at the same places and `a` tells the character lengths.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t pos = 0; pos < a.size();) {
        std::size_t length = CharLength(a, pos);
        if (length == 1 ? LowerAscii(a[pos]) != LowerAscii(b[pos])
                        : a.substr(pos, length) != b.substr(pos, length)) {
            return false;
        }
        pos += length;
    }
    return true;
}

bool SamePath(const KeyPath& a, const KeyPath& b) {
    return a.size() == b.size() && IsWithin(a, b);
}

bool IsWithin(const KeyPath& path, const KeyPath& ancestor) {
    if (path.size() < ancestor.size()) return false;
    for (std::size_t i = 0; i < ancestor.size(); ++i) {
        if (!SameName(path[i], ancestor[i])) return false;
    }
    return true;
}

}  // namespace win::registry
