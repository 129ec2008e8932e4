#pragma once
// The system's fixed texts: the one title string, the start URL of the web application and the vendor's
// contact details. The status bar's stored description carries the vendor texts as well; the application
// tests check that both agree.

namespace qd {

// Application title, main window caption, confirmation box caption, and the replacement of
// "Internet Explorer" in the captions of the browser's dialogs.
inline constexpr wchar_t kAppTitle[] = L"岚栎在线订单管理系统";

// The web application the main window opens at start.
inline constexpr wchar_t kStartUrl[] = L"http://order.lanli.cn/quandrel";

// Status bar panel 1: the vendor's name.
inline constexpr wchar_t kVendorName[] = L"岚栎软件";
// Status bar panel 2: the vendor's web address.
inline constexpr wchar_t kVendorWebAddress[] = L"http://www.lanli.cn";
// Status bar panel 3: "E_Mail：" address, one ideographic space, "QQ：" and two numbers joined by "、".
inline constexpr wchar_t kVendorContactLine[] = L"E_Mail：sales@lanli.cn\u3000QQ：6180218、6180219";

// The question the main window asks before it closes.
inline constexpr wchar_t kExitQuestion[] = L"确认退出系统？";

}  // namespace qd
