#pragma once
// Engine-private window messages. The numbers are fixed: applications and older skinners send them by value.

#include <windows.h>

namespace qd {

// Re-apply the skin to a form (handled, never sent by the system).
inline constexpr UINT WM_SKIN_RESKIN = 0x3401;
// Repaint the skinned frame.
inline constexpr UINT WM_SKIN_REPAINTFRAME = 0x3502;
// Posted (wParam 0, lParam 1000) right after a form skinner was attached; the skinner finishes its set-up then.
inline constexpr UINT WM_SKIN_STARTED = 0x3503;
// A window that has a skinner answers 1.
inline constexpr UINT WM_SKIN_QUERY = 0x3504;
// wParam > 0 turns a control skinner's painting on, 0 off.
inline constexpr UINT WM_SKIN_ENABLE = 0x3506;
// Posted when a custom caption button is clicked; wParam = the button's action.
inline constexpr UINT WM_SKIN_BUTTONCOMMAND = 0x3514;
// Asks whether custom caption button wParam is visible; an answer > 0 means visible.
inline constexpr UINT WM_SKIN_BUTTONVISIBLE = 0x3515;

inline constexpr LPARAM SkinStartedLParam = 1000;

}  // namespace qd
