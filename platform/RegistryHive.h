#pragma once
// The keys and values of one store file, and the changes a registry call makes to them.
#include <string_view>

#include "platform/RegistryFile.h"

namespace win::registry {

class CRegistryHive {
public:
    explicit CRegistryHive(Document document) : document_(std::move(document)) {}

    // A root always exists; another key exists when it or a key below it has a section.
    bool KeyExists(const KeyPath& path) const;
    // Gives the key, and every key on the way to it, its own section.
    // Returns false when the key existed already.
    bool CreateKey(const KeyPath& path);
    // Removes the key with everything below it; the keys above it stay.
    void DeleteKey(const KeyPath& path);

    const Value* FindValue(const KeyPath& path, std::string_view name) const;
    // Replaces the value of that name in place, or appends it to the key.
    void SetValue(const KeyPath& path, Value value);
    bool DeleteValue(const KeyPath& path, std::string_view name);

    bool Modified() const { return modified_; }
    const Document& GetDocument() const { return document_; }

private:
    static constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);
    std::size_t FindSection(const KeyPath& path) const;
    KeyPath StoredSpelling(KeyPath path) const;
    Section& EnsureSection(const KeyPath& path);
    std::size_t InsertionPoint(const KeyPath& parent) const;

    Document document_;
    bool modified_ = false;
};

}  // namespace win::registry
