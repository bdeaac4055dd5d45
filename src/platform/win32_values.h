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


// System commands and sizing edges.
constexpr uint32_t kSC_MOVE_MOUSE = 0xF012;    // SC_MOVE | HTCAPTION: move with the mouse
constexpr uint32_t kSC_MOVE_CAPTION = 0xF011;  // SC_MOVE | 1
constexpr int kWMSZ_LEFT = 1;
constexpr int kWMSZ_RIGHT = 2;
constexpr int kWMSZ_TOP = 3;
constexpr int kWMSZ_TOPLEFT = 4;
constexpr int kWMSZ_TOPRIGHT = 5;
constexpr int kWMSZ_BOTTOM = 6;
constexpr int kWMSZ_BOTTOMLEFT = 7;
constexpr int kWMSZ_BOTTOMRIGHT = 8;

// WM_ACTIVATE states.
constexpr int kWA_INACTIVE = 0;
constexpr int kWA_ACTIVE = 1;

// SetWindowPos flags beyond the basic ones.
constexpr uint32_t kSWP_NOOWNERZORDER = 0x0200;

// Layered windows.
constexpr uint32_t kLWA_COLORKEY = 0x00000001;
constexpr uint32_t kLWA_ALPHA = 0x00000002;
constexpr uint32_t kULW_COLORKEY = 0x00000001;
constexpr uint32_t kULW_ALPHA = 0x00000002;

// RedrawWindow flags.
constexpr uint32_t kRDW_INVALIDATE = 0x0001;
constexpr uint32_t kRDW_ERASE = 0x0004;
constexpr uint32_t kRDW_NOERASE = 0x0020;
constexpr uint32_t kRDW_UPDATENOW = 0x0100;

// TrackMouseEvent.
constexpr uint32_t kTME_HOVER = 0x00000001;
constexpr uint32_t kTME_LEAVE = 0x00000002;
constexpr uint32_t kTME_CANCEL = 0x80000000;
constexpr uint32_t kHOVER_DEFAULT = 0xFFFFFFFF;

// Cursor ids (LoadCursorW with no module).
constexpr int kIDC_ARROW = 32512;
constexpr int kIDC_SIZENWSE = 32642;
constexpr int kIDC_SIZENESW = 32643;
constexpr int kIDC_SIZEWE = 32644;
constexpr int kIDC_SIZENS = 32645;
constexpr int kIDC_HAND = 32649;

// SystemParametersInfoW actions.
constexpr uint32_t kSPI_SETDRAGFULLWINDOWS = 0x0025;
constexpr uint32_t kSPI_GETWORKAREA = 0x0030;
constexpr uint32_t kSPI_GETDRAGFULLWINDOWS = 0x0026;

// Blending (AlphaBlend and UpdateLayeredWindow).
constexpr uint8_t kAC_SRC_OVER = 0x00;
constexpr uint8_t kAC_SRC_ALPHA = 0x01;

// Raster operations.
constexpr uint32_t kSRCCOPY = 0x00CC0020;

// Background modes.
constexpr int kTRANSPARENT = 1;
constexpr int kOPAQUE = 2;

// DrawText formats.
constexpr uint32_t kDT_LEFT = 0x00000000;
constexpr uint32_t kDT_TOP = 0x00000000;
constexpr uint32_t kDT_CENTER = 0x00000001;
constexpr uint32_t kDT_RIGHT = 0x00000002;
constexpr uint32_t kDT_VCENTER = 0x00000004;
constexpr uint32_t kDT_BOTTOM = 0x00000008;
constexpr uint32_t kDT_WORDBREAK = 0x00000010;
constexpr uint32_t kDT_SINGLELINE = 0x00000020;
constexpr uint32_t kDT_NOCLIP = 0x00000100;
constexpr uint32_t kDT_CALCRECT = 0x00000400;
constexpr uint32_t kDT_NOPREFIX = 0x00000800;
constexpr uint32_t kDT_END_ELLIPSIS = 0x00008000;

// CreateFontW arguments.
constexpr int kFW_NORMAL = 400;
constexpr int kFW_BOLD = 700;
constexpr uint32_t kANSI_CHARSET = 0;
constexpr uint32_t kOUT_DEFAULT_PRECIS = 0;
constexpr uint32_t kCLIP_DEFAULT_PRECIS = 0;
constexpr uint32_t kDEFAULT_QUALITY = 0;
constexpr uint32_t kNONANTIALIASED_QUALITY = 3;
constexpr uint32_t kDEFAULT_PITCH = 0;
constexpr uint32_t kFF_SWISS = 0x20;

// Menus.
constexpr uint32_t kMF_BYCOMMAND = 0x00000000;
constexpr uint32_t kMF_BYPOSITION = 0x00000400;
constexpr uint32_t kTPM_LEFTALIGN = 0x0000;
constexpr uint32_t kTPM_RIGHTBUTTON = 0x0002;
constexpr uint32_t kTPM_RETURNCMD = 0x0100;

// Notification-area icons.
constexpr uint32_t kNIM_ADD = 0x00000000;
constexpr uint32_t kNIM_MODIFY = 0x00000001;
constexpr uint32_t kNIM_DELETE = 0x00000002;
constexpr uint32_t kNIF_MESSAGE = 0x00000001;
constexpr uint32_t kNIF_ICON = 0x00000002;
constexpr uint32_t kNIF_TIP = 0x00000004;

// More virtual keys.
constexpr int kVK_BACK = 0x08;
constexpr int kVK_SHIFT = 0x10;
constexpr int kVK_MENU = 0x12;
constexpr int kVK_ESCAPE = 0x1B;
constexpr int kVK_SPACE = 0x20;
constexpr int kVK_PRIOR = 0x21;
constexpr int kVK_NEXT = 0x22;
constexpr int kVK_END = 0x23;
constexpr int kVK_HOME = 0x24;
constexpr int kVK_LEFT = 0x25;
constexpr int kVK_UP = 0x26;
constexpr int kVK_RIGHT = 0x27;
constexpr int kVK_DOWN = 0x28;
constexpr int kVK_INSERT = 0x2D;
constexpr int kVK_F1 = 0x70;

// Wheel.
constexpr int kWHEEL_DELTA = 120;

// COM result codes seen at the browser boundary.
constexpr int32_t kS_OK = 0;
constexpr int32_t kS_FALSE = 1;
constexpr int32_t kE_NOTIMPL = static_cast<int32_t>(0x80004001);
constexpr int32_t kE_ABORT = static_cast<int32_t>(0x80004004);
constexpr int32_t kE_FAIL = static_cast<int32_t>(0x80004005);

// Registry access rights and views.
constexpr uint32_t kKEY_QUERY_VALUE = 0x0001;
constexpr uint32_t kKEY_READ = 0x20019;
constexpr uint32_t kKEY_WOW64_64KEY = 0x0100;
constexpr uint32_t kKEY_WOW64_32KEY = 0x0200;

// Processor architectures of GetNativeSystemInfo.
constexpr uint32_t kPROCESSOR_ARCHITECTURE_INTEL = 0;
constexpr uint32_t kPROCESSOR_ARCHITECTURE_IA64 = 6;
constexpr uint32_t kPROCESSOR_ARCHITECTURE_AMD64 = 9;

// Adapter types of GetAdaptersInfo.
constexpr uint32_t kMIB_IF_TYPE_ETHERNET = 6;
constexpr uint32_t kIF_TYPE_IEEE80211 = 71;

// ShellExecuteW results at or below this value are failures.
constexpr intptr_t kSE_ERR_FNF = 2;

// Process creation flags.
constexpr uint32_t kCREATE_NEW_PROCESS_GROUP = 0x00000200;
constexpr uint32_t kNORMAL_PRIORITY_CLASS = 0x00000020;

}  // namespace pf
