#pragma once
// Image lists: equal-sized images in one platform image list, drawn by index (menu glyphs, button images).

#include <windows.h>
#include <commctrl.h>

#include "framework/Component.h"

namespace qd {

class TImageList : public TComponent {
    QD_CLASS_INFO
public:
    explicit TImageList(TComponent* AOwner);
    // Frees the platform list unless it is shared.
    ~TImageList() override;

    // Image size; changing it empties the list.
    int Width() const noexcept { return FWidth; }
    void SetWidth(int value);
    int Height() const noexcept { return FHeight; }
    void SetHeight(int value);

    // The platform list (made on demand).
    HIMAGELIST Handle();
    // Takes `list` (its image size with it); a shared list is not freed by this object.
    void SetHandle(HIMAGELIST list, bool shared);
    int Count() const noexcept;
    // Adds the images of a bitmap (its width a multiple of Width), `mask` colour transparent; first index, or -1.
    int AddMasked(HBITMAP bitmap, COLORREF mask);
    // Draws image `index` at (x, y); a disabled image is drawn in the platform's disabled look. False for bad indices.
    bool Draw(HDC dc, int x, int y, int index, bool enabled = true);

private:
    void Free() noexcept;
    int FWidth = 16;
    int FHeight = 16;
    HIMAGELIST FHandle = nullptr;
    bool FShared = false;
};

}  // namespace qd
