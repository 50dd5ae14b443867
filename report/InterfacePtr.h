// SPDX-License-Identifier: MIT
// An owning pointer to a reference-counted interface: releases its reference when it goes.
#pragma once

#include <utility>

namespace dxfi {

template <class T> class TInterfacePtr {
public:
    TInterfacePtr() = default;
    // Takes over one reference the caller already holds (as an interface returned through an
    // out parameter comes).
    static TInterfacePtr Attach(T* pointer) {
        TInterfacePtr result;
        result.Pointer_ = pointer;
        return result;
    }
    // Takes a reference of its own.
    static TInterfacePtr Share(T* pointer) {
        if (pointer) pointer->AddRef();
        return Attach(pointer);
    }
    ~TInterfacePtr() { Reset(); }
    TInterfacePtr(const TInterfacePtr& other) : Pointer_(other.Pointer_) {
        if (Pointer_) Pointer_->AddRef();
    }
    TInterfacePtr(TInterfacePtr&& other) noexcept
        : Pointer_(std::exchange(other.Pointer_, nullptr)) {}
    TInterfacePtr& operator=(TInterfacePtr other) noexcept {
        std::swap(Pointer_, other.Pointer_);
        return *this;
    }

    void Reset() {
        if (Pointer_) std::exchange(Pointer_, nullptr)->Release();
    }
    // Hands the held reference to the caller.
    T* Detach() { return std::exchange(Pointer_, nullptr); }
    // The address to receive an interface through an out parameter; drops the one held.
    T** Receive() {
        Reset();
        return &Pointer_;
    }
    T* Get() const { return Pointer_; }
    T* operator->() const { return Pointer_; }
    T& operator*() const { return *Pointer_; }
    explicit operator bool() const { return Pointer_ != nullptr; }

private:
    T* Pointer_ = nullptr;
};

} // namespace dxfi
