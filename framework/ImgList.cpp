#include "framework/ImgList.h"

#include <algorithm>

#include "framework/Properties.h"

namespace qd {

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

TImageList::~TImageList() { Free(); }

void TImageList::Free() noexcept {
    if (FHandle && !FShared) ::ImageList_Destroy(FHandle);
    FHandle = nullptr;
    FShared = false;
}

void TImageList::SetWidth(int value) {
    value = std::clamp(value, 1, 256);
    if (value == FWidth) return;
    Free();
    FWidth = value;
}

void TImageList::SetHeight(int value) {
    value = std::clamp(value, 1, 256);
    if (value == FHeight) return;
    Free();
    FHeight = value;
}

HIMAGELIST TImageList::Handle() {
    if (!FHandle) {
        FHandle = ::ImageList_Create(FWidth, FHeight, ILC_COLOR32 | ILC_MASK, 4, 4);
        FShared = false;
    }
    return FHandle;
}

void TImageList::SetHandle(HIMAGELIST list, bool shared) {
    if (list == FHandle) {
        FShared = shared;
        return;
    }
    Free();
    FHandle = list;
    FShared = shared;
    if (list) {
        int w = 0, h = 0;
        if (::ImageList_GetIconSize(list, &w, &h)) FWidth = w, FHeight = h;
    }
}

int TImageList::Count() const noexcept { return FHandle ? ::ImageList_GetImageCount(FHandle) : 0; }

int TImageList::AddMasked(HBITMAP bitmap, COLORREF mask) { return ::ImageList_AddMasked(Handle(), bitmap, mask); }

bool TImageList::Draw(HDC dc, int x, int y, int index, bool enabled) {
    if (!FHandle || index < 0 || index >= Count()) return false;
    if (enabled) return ::ImageList_Draw(FHandle, index, dc, x, y, ILD_TRANSPARENT) != FALSE;
    // Platform quirk: Wine ignores ILD_BLEND50, so a disabled image would look enabled; the platform's disabled
    // look (embossed in the shadow and highlight colours) is drawn from an icon of the image instead.
    HICON icon = ::ImageList_GetIcon(FHandle, index, ILD_TRANSPARENT);
    if (!icon) return false;
    const BOOL drawn = ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, FWidth, FHeight,
                                    DST_ICON | DSS_DISABLED);
    ::DestroyIcon(icon);
    return drawn != FALSE;
}

const TClassInfo& TImageList::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TImageList>("TImageList", &TComponent::StaticClassInfo())
                                       .Int("Width", &TImageList::Width, &TImageList::SetWidth)
                                       .Int("Height", &TImageList::Height, &TImageList::SetHeight);
    return info;
}

}  // namespace qd
