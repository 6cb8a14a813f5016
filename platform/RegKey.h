#pragma once
// Owns one open registry key and closes it when it goes out of scope.
#include "platform/Registry.h"

namespace win {

class CRegKey {
public:
    CRegKey() = default;
    explicit CRegKey(HKEY key) : key_(key) {}
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    CRegKey(CRegKey&& other) noexcept : key_(other.Detach()) {}
    CRegKey& operator=(CRegKey&& other) noexcept {
        if (this != &other) {
            Close();
            key_ = other.Detach();
        }
        return *this;
    }

    HKEY Get() const { return key_; }
    bool IsOpen() const { return key_ != nullptr; }
    explicit operator bool() const { return IsOpen(); }

    LONG Close() {
        LONG result = key_ ? RegCloseKey(key_) : LONG{ERROR_SUCCESS};
        key_ = nullptr;
        return result;
    }
    HKEY Detach() {
        HKEY key = key_;
        key_ = nullptr;
        return key;
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace win
