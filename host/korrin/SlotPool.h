// SPDX-License-Identifier: MIT
// Memory for many objects of one size without a call to the general allocator per object:
// slots are cut from large chunks, a freed slot is the next one handed out, and the chunks go
// back when the last slot does (a closed board returns its memory at once).
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace dxfi::korrin {

class TSlotPool {
public:
    explicit TSlotPool(std::size_t slotSize)
        : SlotSize((std::max(slotSize, sizeof(void*)) + kAlign - 1) / kAlign * kAlign) {}
    TSlotPool(const TSlotPool&) = delete;
    TSlotPool& operator=(const TSlotPool&) = delete;

    // An uninitialised slot of the pool's size, aligned for any object; throws std::bad_alloc.
    void* Take() {
        void* slot = FreeList;
        if (slot) {
            FreeList = *std::launder(static_cast<void**>(slot));
        } else {
            if (Next == End) NewChunk();
            slot = Next;
            Next += SlotSize;
        }
        ++Live;
        return slot;
    }
    // Gives back a slot whose object was destroyed.
    void Give(void* slot) {
        new (slot) void*(FreeList);
        FreeList = slot;
        if (--Live == 0) Release();
    }
    std::size_t SlotBytes() const { return SlotSize; }

private:
    static constexpr std::size_t kAlign = alignof(std::max_align_t);
    static constexpr std::size_t kFirstChunk = std::size_t{16} << 10,
                                 kLargestChunk = std::size_t{4} << 20;

    void NewChunk() {
        // Chunks grow with the pool, so that a few objects cost little and many few chunks.
        const std::size_t bytes =
            std::max(SlotSize, std::min(kLargestChunk,
                                        kFirstChunk << std::min<std::size_t>(Chunks.size(), 16)));
        const std::size_t slots = bytes / SlotSize;
        Chunks.reserve(Chunks.size() + 1);
        Chunks.emplace_back(new std::byte[slots * SlotSize]);
        Next = Chunks.back().get();
        End = Next + slots * SlotSize;
    }
    void Release() {
        Chunks.clear();
        FreeList = nullptr;
        Next = End = nullptr;
    }

    std::size_t SlotSize;
    std::vector<std::unique_ptr<std::byte[]>> Chunks;
    std::byte* Next = nullptr;
    std::byte* End = nullptr;
    void* FreeList = nullptr;
    std::size_t Live = 0;
};

} // namespace dxfi::korrin
