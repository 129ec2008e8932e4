#include "skin/controls/SkinPopMenu.h"

#include "skin/controls/SkinManage.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinMessages.h"

#ifndef MN_GETHMENU
#define MN_GETHMENU 0x01E1
#endif

namespace qd {

namespace {
TSkinPopMenu* GPending = nullptr;

bool ManagerSkinning() noexcept {
    const TSkinManage* manager = TSkinManage::Instance();
    return manager && manager->Skinning();
}
}  // namespace

TSkinPopMenu::~TSkinPopMenu() { Release(); }

TSkinPopMenu* TSkinPopMenu::PendingPopup() noexcept { return GPending; }

void TSkinPopMenu::ClaimPendingPopup(HMENU menu) noexcept {
    if (!GPending || !menu) return;
    GPending->FOwnerMenu = menu;
    GPending = nullptr;
}

void TSkinPopMenu::Attach(TSkinData* skinData) {
    FSkinData = skinData;
    FOwnerMenu = nullptr;
    FFromMenuBar = false;
    Hook(FHandle);
}

void TSkinPopMenu::Detach() {
    Unhook();
    Release();
    FBuffer.Reset();
    FBufferSize = {};
}

void TSkinPopMenu::Release() noexcept {
    if (GPending == this) GPending = nullptr;
}

void TSkinPopMenu::WindowDestroyed() noexcept {
    Release();
    FBuffer.Reset();
}

bool TSkinPopMenu::SkinUsable() const noexcept {
    return FSkinData && !FSkinData->SkinEmpty && FSkinData->MenuBackground &&
           !FSkinData->MenuBackground->Bitmap.Empty();
}

void TSkinPopMenu::BindMenu() noexcept {
    if (FOwnerMenu) return;
    FOwnerMenu = reinterpret_cast<HMENU>(::SendMessageW(FHandle, MN_GETHMENU, 0, 0));
    if (FOwnerMenu) {
        if (GPending == this) GPending = nullptr;
    } else {
        GPending = this;
    }
}

bool TSkinPopMenu::BuildBuffer() {
    if (!SkinUsable()) return false;
    RECT window{};
    ::GetWindowRect(FHandle, &window);
    const SIZE size{window.right - window.left, window.bottom - window.top};
    if (size.cx <= 0 || size.cy <= 0) return false;
    if (FBuffer && size.cx == FBufferSize.cx && size.cy == FBufferSize.cy) return true;
    const TDataSkinObject& back = *FSkinData->MenuBackground;
    FBuffer = BuildNineSliceBitmap(RECT{0, 0, size.cx, size.cy}, back.Bitmap.Handle(), back.Margins(), 1, 1,
                                   back.Tile != 0, false);
    FBufferSize = FBuffer ? size : SIZE{};
    return static_cast<bool>(FBuffer);
}

void TSkinPopMenu::DrawMenuFrame(HDC dc) const {
    const int w = FBufferSize.cx, h = FBufferSize.cy, f = FrameWidth;
    TMemoryDC src(dc);
    TSelectGuard select(src, FBuffer.Get());
    ::BitBlt(dc, 0, 0, w, f, src, 0, 0, SRCCOPY);
    ::BitBlt(dc, 0, h - f, w, f, src, 0, h - f, SRCCOPY);
    ::BitBlt(dc, 0, f, f, h - 2 * f, src, 0, f, SRCCOPY);
    ::BitBlt(dc, w - f, f, f, h - 2 * f, src, w - f, f, SRCCOPY);
}

LRESULT TSkinPopMenu::PrintMenu(HDC dc, LPARAM flags) {
    {
        TMemoryDC src(dc);
        TSelectGuard select(src, FBuffer.Get());
        ::BitBlt(dc, 0, 0, FBufferSize.cx, FBufferSize.cy, src, 0, 0, SRCCOPY);
    }
    // The items go inside the frame, over the skin; the caller's clipping and modes come back as they were.
    TSaveDCGuard state(dc);
    ::SetBkMode(dc, TRANSPARENT);
    ::IntersectClipRect(dc, FrameWidth, FrameWidth, FBufferSize.cx - FrameWidth, FBufferSize.cy - FrameWidth);
    return CallPrevious(FHandle, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags);
}

LRESULT TSkinPopMenu::HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SKIN_QUERY) return 1;
    if (!ManagerSkinning()) return CallPrevious(wnd, msg, wParam, lParam);
    switch (msg) {
        case WM_DESTROY:
            Release();
            break;
        case WM_NCPAINT:
            if (!BuildBuffer()) break;
            BindMenu();
            {
                TWindowDC dc(wnd, TWindowDC::TArea::Window);
                DrawMenuFrame(dc);
            }
            return 0;
        case WM_PAINT: {
            if (!BuildBuffer()) break;
            BindMenu();
            const LRESULT result = CallPrevious(wnd, msg, wParam, lParam);
            // Platform quirk (Wine): the menu window has no non-client area and draws its border inside the
            // client area; without this the platform's border shows around the skinned items.
            RECT client{};
            ::GetClientRect(wnd, &client);
            if (client.right == FBufferSize.cx && client.bottom == FBufferSize.cy) {
                TWindowDC dc(wnd, TWindowDC::TArea::Window);
                DrawMenuFrame(dc);
            }
            return result;
        }
        case WM_PRINT:
            if (!BuildBuffer()) break;
            BindMenu();
            return PrintMenu(reinterpret_cast<HDC>(wParam), lParam);
        default:
            break;
    }
    return CallPrevious(wnd, msg, wParam, lParam);
}

}  // namespace qd
