#include "browser/ItemIdList.h"

#include <objbase.h>
#include <oleauto.h>

#include <cstring>

namespace qd {

TItemIdList& TItemIdList::operator=(TItemIdList&& other) noexcept {
    if (this != &other) {
        Reset();
        FData = other.FData;
        FSize = other.FSize;
        other.FData = nullptr;
        other.FSize = 0;
    }
    return *this;
}

TItemIdList TItemIdList::CopyFrom(const void* data, std::size_t limit) noexcept {
    TItemIdList list;
    const std::size_t size = ItemIdListSize(data, limit);
    if (size == 0) return list;
    void* block = CoTaskMemAlloc(size);
    if (block == nullptr) return list;
    std::memcpy(block, data, size);
    list.FData = block;
    list.FSize = size;
    return list;
}

void TItemIdList::Reset() noexcept {
    if (FData != nullptr) CoTaskMemFree(FData);
    FData = nullptr;
    FSize = 0;
}

bool ItemIdListToVariant(const TItemIdList& list, VARIANT& out) noexcept {
    VariantInit(&out);
    if (list.Empty() || list.Size() > 0xFFFFFFFFu) return false;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(list.Size()));
    if (array == nullptr) return false;
    void* target = nullptr;
    if (FAILED(SafeArrayAccessData(array, &target))) {
        SafeArrayDestroy(array);
        return false;
    }
    std::memcpy(target, list.Bytes(), list.Size());
    SafeArrayUnaccessData(array);
    out.vt = VT_ARRAY | VT_UI1;
    out.parray = array;
    return true;
}

}  // namespace qd
