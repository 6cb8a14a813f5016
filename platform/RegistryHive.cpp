#include "platform/RegistryHive.h"

#include <algorithm>

namespace win::registry {

namespace {

bool IsValueNamed(const Entry& entry, std::string_view name) {
    return entry.value && SameName(entry.value->name, name);
}

}  // namespace

bool CRegistryHive::KeyExists(const KeyPath& path) const {
    if (path.size() == 1) return true;
    return std::any_of(document_.sections.begin(), document_.sections.end(),
                       [&](const Section& section) {
                           return !section.path.empty() && IsWithin(section.path, path);
                       });
}

bool CRegistryHive::CreateKey(const KeyPath& path) {
    bool existed = KeyExists(path);
    for (std::size_t depth = 2; depth <= path.size(); ++depth) {
        EnsureSection(KeyPath(path.begin(), path.begin() + static_cast<long>(depth)));
    }
    return !existed;
}

void CRegistryHive::DeleteKey(const KeyPath& path) {
    if (path.size() > 2) CreateKey(KeyPath(path.begin(), path.end() - 1));
    std::erase_if(document_.sections, [&](const Section& section) {
        bool doomed = !section.path.empty() && IsWithin(section.path, path);
        modified_ = modified_ || doomed;
        return doomed;
    });
}

const Value* CRegistryHive::FindValue(const KeyPath& path, std::string_view name) const {
    std::size_t index = FindSection(path);
    if (index == kNoSection) return nullptr;
    for (const Entry& entry : document_.sections[index].entries) {
        if (IsValueNamed(entry, name)) return &*entry.value;
    }
    return nullptr;
}

void CRegistryHive::SetValue(const KeyPath& path, Value value) {
    Section& section = EnsureSection(path);
    for (Entry& entry : section.entries) {
        if (IsValueNamed(entry, value.name)) {
            // The value it already has changes nothing: the store is not
            // rewritten (and flushed) for it.
            if (entry.value->type == value.type && entry.value->data == value.data) return;
            modified_ = true;
            // The name keeps the spelling it was created with.
            value.name = entry.value->name;
            entry.value = std::move(value);
            return;
        }
    }
    modified_ = true;
    section.entries.push_back(Entry{std::move(value), {}});
}

bool CRegistryHive::DeleteValue(const KeyPath& path, std::string_view name) {
    std::size_t index = FindSection(path);
    if (index == kNoSection) return false;
    auto removed = std::erase_if(document_.sections[index].entries,
                                 [&](const Entry& entry) { return IsValueNamed(entry, name); });
    modified_ = modified_ || removed > 0;
    return removed > 0;
}

std::size_t CRegistryHive::FindSection(const KeyPath& path) const {
    for (std::size_t i = 0; i < document_.sections.size(); ++i) {
        const KeyPath& candidate = document_.sections[i].path;
        if (!candidate.empty() && SamePath(candidate, path)) return i;
    }
    return kNoSection;
}

// Keys that exist keep the case they were created with.
KeyPath CRegistryHive::StoredSpelling(KeyPath path) const {
    for (const Section& section : document_.sections) {
        std::size_t shared = std::min(section.path.size(), path.size());
        for (std::size_t i = 0; i < shared && SameName(section.path[i], path[i]); ++i) {
            path[i] = section.path[i];
        }
    }
    return path;
}

Section& CRegistryHive::EnsureSection(const KeyPath& wanted) {
    std::size_t existing = FindSection(wanted);
    if (existing != kNoSection) return document_.sections[existing];
    KeyPath path = StoredSpelling(wanted);
    std::size_t at = path.size() == 1 ? 0 : InsertionPoint(KeyPath(path.begin(), path.end() - 1));
    Section section;
    section.path = path;
    section.headerLine = "[" + JoinKeyPath(path) + "]";
    modified_ = true;
    return *document_.sections.insert(document_.sections.begin() + static_cast<long>(at),
                                      std::move(section));
}

// Right after the last section that lies within the parent, so the file keeps
// its tree order; at the end when the parent has no section below it.
std::size_t CRegistryHive::InsertionPoint(const KeyPath& parent) const {
    const std::vector<Section>& sections = document_.sections;
    for (std::size_t i = sections.size(); i > 0; --i) {
        const KeyPath& candidate = sections[i - 1].path;
        if (!candidate.empty() && IsWithin(candidate, parent)) return i;
    }
    return sections.size();
}

}  // namespace win::registry
