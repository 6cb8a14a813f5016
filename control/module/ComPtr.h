#pragma once
// Holds one counted reference to a COM interface and releases it at the end.
#include <utility>

#include "control/module/ComTypes.h"

namespace com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
        if (pointer_ != nullptr) pointer_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    void Reset() {
        if (T* old = std::exchange(pointer_, nullptr)) old->Release();
    }
    // For calls that hand out a counted reference through a void**.
    void** ReceiveVoid() {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    // Takes over a reference the caller already counted.
    static ComPtr Attach(T* pointer) {
        ComPtr result;
        result.pointer_ = pointer;
        return result;
    }

private:
    T* pointer_ = nullptr;
};

}  // namespace com
