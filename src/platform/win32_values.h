// Win32 numbers used by the shared code, declared once.
//
// The shared code never includes <windows.h>; it speaks Win32's vocabulary
// through these constants instead.  Each name is the Win32 name with a "k"
// prefix (so it cannot collide with the macros of <windows.h>), and the
// Windows backend static_asserts every value against the real header.
#pragma once

#include <cstdint>

namespace pf {

// Window messages.
constexpr uint32_t kWM_NULL = 0x0000;
constexpr uint32_t kWM_CREATE = 0x0001;
constexpr uint32_t kWM_DESTROY = 0x0002;
constexpr uint32_t kWM_MOVE = 0x0003;
constexpr uint32_t kWM_SIZE = 0x0005;
constexpr uint32_t kWM_ACTIVATE = 0x0006;
constexpr uint32_t kWM_SETFOCUS = 0x0007;
constexpr uint32_t kWM_KILLFOCUS = 0x0008;
constexpr uint32_t kWM_PAINT = 0x000F;
constexpr uint32_t kWM_CLOSE = 0x0010;
constexpr uint32_t kWM_QUIT = 0x0012;
constexpr uint32_t kWM_ERASEBKGND = 0x0014;
constexpr uint32_t kWM_SHOWWINDOW = 0x0018;
constexpr uint32_t kWM_SETCURSOR = 0x0020;
constexpr uint32_t kWM_NCCREATE = 0x0081;
constexpr uint32_t kWM_NCDESTROY = 0x0082;
constexpr uint32_t kWM_KEYFIRST = 0x0100;
constexpr uint32_t kWM_KEYDOWN = 0x0100;
constexpr uint32_t kWM_KEYUP = 0x0101;
constexpr uint32_t kWM_CHAR = 0x0102;
constexpr uint32_t kWM_SYSKEYDOWN = 0x0104;
constexpr uint32_t kWM_SYSKEYUP = 0x0105;
constexpr uint32_t kWM_UNICHAR = 0x0109;
constexpr uint32_t kWM_KEYLAST = 0x0109;
constexpr uint32_t kWM_COMMAND = 0x0111;
constexpr uint32_t kWM_SYSCOMMAND = 0x0112;
constexpr uint32_t kWM_TIMER = 0x0113;
constexpr uint32_t kWM_MOUSEFIRST = 0x0200;
constexpr uint32_t kWM_MOUSEMOVE = 0x0200;
constexpr uint32_t kWM_LBUTTONDOWN = 0x0201;
constexpr uint32_t kWM_LBUTTONUP = 0x0202;
constexpr uint32_t kWM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t kWM_RBUTTONDOWN = 0x0204;
constexpr uint32_t kWM_RBUTTONUP = 0x0205;
constexpr uint32_t kWM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t kWM_MBUTTONDOWN = 0x0207;
constexpr uint32_t kWM_MBUTTONUP = 0x0208;
constexpr uint32_t kWM_MOUSEWHEEL = 0x020A;
constexpr uint32_t kWM_MOUSEHWHEEL = 0x020E;
constexpr uint32_t kWM_MOUSELAST = 0x020E;
constexpr uint32_t kWM_MOUSEHOVER = 0x02A1;
constexpr uint32_t kWM_MOUSELEAVE = 0x02A3;
constexpr uint32_t kWM_USER = 0x0400;
constexpr uint32_t kWM_FORWARDMSG = 0x037F;

// Window styles.
constexpr uint32_t kWS_OVERLAPPED = 0x00000000;
constexpr uint32_t kWS_POPUP = 0x80000000;
constexpr uint32_t kWS_CHILD = 0x40000000;
constexpr uint32_t kWS_MINIMIZE = 0x20000000;
constexpr uint32_t kWS_VISIBLE = 0x10000000;
constexpr uint32_t kWS_DISABLED = 0x08000000;
constexpr uint32_t kWS_CLIPSIBLINGS = 0x04000000;
constexpr uint32_t kWS_CLIPCHILDREN = 0x02000000;
constexpr uint32_t kWS_MAXIMIZE = 0x01000000;
constexpr uint32_t kWS_CAPTION = 0x00C00000;
constexpr uint32_t kWS_BORDER = 0x00800000;
constexpr uint32_t kWS_DLGFRAME = 0x00400000;
constexpr uint32_t kWS_SYSMENU = 0x00080000;
constexpr uint32_t kWS_THICKFRAME = 0x00040000;
constexpr uint32_t kWS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t kWS_MAXIMIZEBOX = 0x00010000;

// Extended window styles.
constexpr uint32_t kWS_EX_DLGMODALFRAME = 0x00000001;
constexpr uint32_t kWS_EX_TOPMOST = 0x00000008;
constexpr uint32_t kWS_EX_TRANSPARENT = 0x00000020;
constexpr uint32_t kWS_EX_TOOLWINDOW = 0x00000080;
constexpr uint32_t kWS_EX_WINDOWEDGE = 0x00000100;
constexpr uint32_t kWS_EX_APPWINDOW = 0x00040000;
constexpr uint32_t kWS_EX_LAYERED = 0x00080000;

// Class styles.
constexpr uint32_t kCS_VREDRAW = 0x0001;
constexpr uint32_t kCS_HREDRAW = 0x0002;
constexpr uint32_t kCS_DBLCLKS = 0x0008;
constexpr int kCOLOR_WINDOW = 5;

// GetWindowLong indices.
constexpr int kGWL_STYLE = -16;
constexpr int kGWL_EXSTYLE = -20;

// ShowWindow commands.
constexpr int kSW_HIDE = 0;
constexpr int kSW_SHOWNORMAL = 1;
constexpr int kSW_SHOWMINIMIZED = 2;
constexpr int kSW_SHOWMAXIMIZED = 3;
constexpr int kSW_SHOWNOACTIVATE = 4;
constexpr int kSW_SHOW = 5;
constexpr int kSW_MINIMIZE = 6;
constexpr int kSW_SHOWMINNOACTIVE = 7;
constexpr int kSW_SHOWNA = 8;
constexpr int kSW_RESTORE = 9;

// SetWindowPos flags.
constexpr uint32_t kSWP_NOSIZE = 0x0001;
constexpr uint32_t kSWP_NOMOVE = 0x0002;
constexpr uint32_t kSWP_NOZORDER = 0x0004;
constexpr uint32_t kSWP_NOREDRAW = 0x0008;
constexpr uint32_t kSWP_NOACTIVATE = 0x0010;
constexpr uint32_t kSWP_FRAMECHANGED = 0x0020;
constexpr uint32_t kSWP_SHOWWINDOW = 0x0040;
constexpr uint32_t kSWP_HIDEWINDOW = 0x0080;

// System commands.
constexpr uint32_t kSC_SIZE = 0xF000;
constexpr uint32_t kSC_MOVE = 0xF010;

// MessageBox flags and answers.
constexpr uint32_t kMB_OK = 0x00000000;
constexpr uint32_t kMB_YESNO = 0x00000004;
constexpr uint32_t kMB_DEFBUTTON2 = 0x00000100;
constexpr int kIDOK = 1;
constexpr int kIDCANCEL = 2;
constexpr int kIDYES = 6;
constexpr int kIDNO = 7;

// Mouse key flags of mouse messages.
constexpr uint32_t kMK_LBUTTON = 0x0001;
constexpr uint32_t kMK_RBUTTON = 0x0002;
constexpr uint32_t kMK_SHIFT = 0x0004;
constexpr uint32_t kMK_CONTROL = 0x0008;

// Virtual keys.
constexpr int kVK_TAB = 0x09;
constexpr int kVK_RETURN = 0x0D;
constexpr int kVK_CONTROL = 0x11;
constexpr int kVK_DELETE = 0x2E;

// COM result codes seen at the browser boundary.
constexpr int32_t kS_OK = 0;
constexpr int32_t kS_FALSE = 1;
constexpr int32_t kE_NOTIMPL = static_cast<int32_t>(0x80004001);
constexpr int32_t kE_ABORT = static_cast<int32_t>(0x80004004);
constexpr int32_t kE_FAIL = static_cast<int32_t>(0x80004005);

// Process creation flags.
constexpr uint32_t kCREATE_NEW_PROCESS_GROUP = 0x00000200;
constexpr uint32_t kNORMAL_PRIORITY_CLASS = 0x00000020;

}  // namespace pf
