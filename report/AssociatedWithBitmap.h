// SPDX-License-Identifier: MIT
// The base of the report's interfaced option objects: an integer and a text property (an image
// index and an image name a host list may show beside the object), and reference counting.
//
// Every operation returns a status code: kStatusOk, or kStatusFailed when something raised
// inside it; no exception leaves an operation. Interfaces handed out through out parameters
// and QueryInterface carry a reference of their own, which the receiver releases (see
// TInterfacePtr). An object is deleted when its last reference is released.
#pragma once

#include "abi/PcbServer.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace dxfi {

inline constexpr int32_t kStatusOk = 0;
inline constexpr int32_t kStatusFailed = static_cast<int32_t>(0x80004005);

// Runs `action` and turns anything it raises into kStatusFailed.
template <class F> int32_t GuardStatus(F&& action) noexcept {
    try {
        action();
        return kStatusOk;
    } catch (...) {
        return kStatusFailed;
    }
}

struct IAssociatedWithBitmap : abi::IInterface {
    // {3B6F1D2E-7A40-4C85-9E1B-5D2C8A6F0B17}, of this system's own making.
    static constexpr abi::TGuid Iid{
        0x3B6F1D2E, 0x7A40, 0x4C85, {0x9E, 0x1B, 0x5D, 0x2C, 0x8A, 0x6F, 0x0B, 0x17}};

    virtual int32_t GetBitmapIndex(int32_t& value) = 0;
    virtual int32_t SetBitmapIndex(int32_t value) = 0;
    virtual int32_t GetBitmapName(std::string& value) = 0;
    virtual int32_t SetBitmapName(std::string_view value) = 0;

protected:
    ~IAssociatedWithBitmap() = default;
};

// Implements IAssociatedWithBitmap and reference counting for the interface `I` derived from
// it; the object starts with no reference (the creator takes the first).
template <class I> class TAssociatedWithBitmap : public I {
public:
    TAssociatedWithBitmap() = default;
    virtual ~TAssociatedWithBitmap() = default;
    TAssociatedWithBitmap(const TAssociatedWithBitmap&) = delete;
    TAssociatedWithBitmap& operator=(const TAssociatedWithBitmap&) = delete;

    int32_t DXFI_STDCALL QueryInterface(const abi::TGuid& iid, void** out) override {
        if (!out) return abi::kNoInterface;
        if (iid == I::Iid || iid == IAssociatedWithBitmap::Iid) {
            *out = static_cast<I*>(this);
            AddRef();
            return abi::kOk;
        }
        *out = nullptr;
        return abi::kNoInterface;
    }
    uint32_t DXFI_STDCALL AddRef() override { return ++References_; }
    uint32_t DXFI_STDCALL Release() override {
        uint32_t left = --References_;
        if (left == 0) delete this;
        return left;
    }

    int32_t GetBitmapIndex(int32_t& value) override {
        value = BitmapIndex_;
        return kStatusOk;
    }
    int32_t SetBitmapIndex(int32_t value) override {
        BitmapIndex_ = value;
        return kStatusOk;
    }
    int32_t GetBitmapName(std::string& value) override {
        return GuardStatus([&] { value = BitmapName_; });
    }
    int32_t SetBitmapName(std::string_view value) override {
        return GuardStatus([&] { BitmapName_ = value; });
    }

private:
    std::atomic<uint32_t> References_{0};
    int32_t BitmapIndex_ = 0;
    std::string BitmapName_;
};

} // namespace dxfi
