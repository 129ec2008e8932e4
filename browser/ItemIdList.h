#pragma once
// Shell item ID lists as the DDE server receives them: a run of items, each starting with its 16-bit byte
// count (the count includes those two bytes), ended by a zero count. Lists arrive from other code in
// shared memory, so every walk is bounded by the bytes that are known to be readable.

#include <windows.h>
#include <oaidl.h>
#include <shtypes.h>

#include <cstddef>
#include <cstdint>

#include "browser/ShellDdeParsing.h"

namespace qd {

// An ID list in a block of the shell's allocator (CoTaskMemAlloc), freed with it. Move-only.
class TItemIdList {
public:
    TItemIdList() noexcept = default;
    ~TItemIdList() { Reset(); }
    TItemIdList(TItemIdList&& other) noexcept : FData(other.FData), FSize(other.FSize) {
        other.FData = nullptr;
        other.FSize = 0;
    }
    TItemIdList& operator=(TItemIdList&& other) noexcept;
    TItemIdList(const TItemIdList&) = delete;
    TItemIdList& operator=(const TItemIdList&) = delete;

    // Copies the list at `data` into a new block of exactly its size; an empty object when the list is
    // malformed within `limit` bytes or memory runs out.
    static TItemIdList CopyFrom(const void* data, std::size_t limit) noexcept;

    bool Empty() const noexcept { return FData == nullptr; }
    explicit operator bool() const noexcept { return FData != nullptr; }
    PCIDLIST_ABSOLUTE Get() const noexcept { return static_cast<PCIDLIST_ABSOLUTE>(FData); }
    const std::uint8_t* Bytes() const noexcept { return static_cast<const std::uint8_t*>(FData); }
    // Bytes of the list including its terminator; 0 when empty.
    std::size_t Size() const noexcept { return FSize; }
    void Reset() noexcept;

private:
    void* FData = nullptr;
    std::size_t FSize = 0;
};

// The list's bytes as a one-dimensional array of unsigned bytes (VT_ARRAY | VT_UI1), the form in which
// the WebBrowser control's Navigate2 accepts an ID list. False (and `out` left VT_EMPTY) when the list is
// empty or the array cannot be created. The caller clears `out` with VariantClear.
bool ItemIdListToVariant(const TItemIdList& list, VARIANT& out) noexcept;

}  // namespace qd
