#pragma once
// The window system the library calls: window classes and windows, a message queue per thread,
// window timers, rectangles and styles, foreground and topmost, the cursor's show count, message
// boxes, system metrics, the input method editor's context, dropped files and the single-instance
// lock. Texts on this side are CP932. Host events (platform/host) become the WM_* messages of the
// thread that created the window; only that thread pumps the host.
#include <cstdint>
#include <vector>

namespace pf {

struct WindowRecord;
using WindowHandle = WindowRecord*;
// PeekMessage's filter for messages posted to the thread itself (no window).
inline WindowHandle const kThreadMessagesOnly = reinterpret_cast<WindowHandle>(static_cast<std::intptr_t>(-1));
// SetWindowPos's z-order targets.
inline WindowHandle const kTopmost = reinterpret_cast<WindowHandle>(static_cast<std::intptr_t>(-1));
inline WindowHandle const kNoTopmost = reinterpret_cast<WindowHandle>(static_cast<std::intptr_t>(-2));

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using WindowProc = LResult (*)(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

struct Point { std::int32_t x, y; };
struct Rect { std::int32_t left, top, right, bottom; };

struct Message {
  WindowHandle window;
  std::uint32_t message;
  WParam wParam;
  LParam lParam;
  std::uint32_t time;
};

// ---------------------------------------------------------------- messages
enum : std::uint32_t {
  WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003, WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006,
  WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012, WM_ACTIVATEAPP = 0x001C, WM_SETCURSOR = 0x0020,
  WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105,
  WM_SYSCHAR = 0x0106, WM_IME_STARTCOMPOSITION = 0x010D, WM_IME_ENDCOMPOSITION = 0x010E,
  WM_IME_COMPOSITION = 0x010F, WM_COMMAND = 0x0111, WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113,
  WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202, WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205, WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208, WM_MOUSEWHEEL = 0x020A,
  WM_SIZING = 0x0214, WM_MOVING = 0x0216, WM_DROPFILES = 0x0233, WM_IME_SETCONTEXT = 0x0281,
  WM_IME_NOTIFY = 0x0282, WM_DISPLAYCHANGE = 0x007E, WM_USER = 0x0400,
};
// WM_SIZE kinds, WM_ACTIVATE states, WM_SIZING edges, WM_SYSCOMMAND commands.
enum : std::uint32_t { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
enum : std::uint32_t { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
enum : std::uint32_t {
  WMSZ_LEFT = 1, WMSZ_RIGHT = 2, WMSZ_TOP = 3, WMSZ_TOPLEFT = 4, WMSZ_TOPRIGHT = 5, WMSZ_BOTTOM = 6,
  WMSZ_BOTTOMLEFT = 7, WMSZ_BOTTOMRIGHT = 8,
};
enum : std::uint32_t { SC_KEYMENU = 0xF100, SC_SCREENSAVE = 0xF140, SC_MAXIMIZE = 0xF030 };
// IME notifications (WM_IME_NOTIFY wParam) and composition parts (WM_IME_COMPOSITION lParam).
enum : std::uint32_t {
  IMN_CLOSECANDIDATE = 4, IMN_OPENCANDIDATE = 5, IMN_CHANGECANDIDATE = 3, IMN_SETOPENSTATUS = 8,
  IMN_SETCANDIDATEPOS = 9,
};
enum : std::uint32_t {
  GCS_COMPSTR = 0x0008, GCS_COMPCLAUSE = 0x0020, GCS_CURSORPOS = 0x0080, GCS_RESULTSTR = 0x0800,
};

// PeekMessage's removal flag.
enum : std::uint32_t { PM_NOREMOVE = 0, PM_REMOVE = 1 };

// Virtual key codes the layer produces (letters and digits are their upper-case ASCII codes).
enum : std::uint32_t {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
  VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
  VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
  VK_F1 = 0x70, VK_F10 = 0x79, VK_F12 = 0x7B,
};

// Posts to the queue of the thread that created the window; false for a window that is gone.
bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, WParam wParam, LParam lParam);
void PostQuitMessage(int exitCode);
// Calls the window procedure at once on the calling thread; 0 for a window that is gone.
LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
// Filter: nullptr any message of the calling thread, kThreadMessagesOnly messages without a window,
// else that window's. Message range 0, 0 takes every message. On the thread that owns the host
// window the host's events are translated first. WM_QUIT comes once the queue holds nothing else;
// WM_PAINT while a window needs painting; WM_TIMER when a timer is due.
bool PeekMessage(Message* out, WindowHandle filter, std::uint32_t first, std::uint32_t last, std::uint32_t remove);
// Parts of the layer that post messages of their own as the state they watch changes (socket
// notices): PeekMessage calls each source with the peeking thread's id before it reads the queue,
// so a notice is in the queue whenever its thread could see it.
using MessageSource = void (*)(std::uint32_t threadId);
void AddMessageSource(MessageSource source);
// Posts WM_CHAR (WM_SYSCHAR with Alt) for the keys whose characters the host does not deliver as
// text: Backspace, Tab, Enter, Escape.
bool TranslateMessage(const Message* message);
LResult DispatchMessage(const Message* message);
LResult DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// ---------------------------------------------------------------- classes and windows
enum : std::uint32_t { CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002 };
constexpr int kIdiApplication = 32512;
struct WindowClass {
  std::uint32_t style;
  WindowProc procedure;
  void* instance;
  int icon;
  int cursor;
  int backgroundBrush;
  const char* menuName;
  const char* className;
};
// Class atom, 0 on failure (a class of that name already registered, or the fault switch).
std::uint16_t RegisterClass(const WindowClass* windowClass);
bool UnregisterClass(const char* className, void* instance);

enum : std::uint32_t {
  WS_POPUP = 0x80000000u, WS_VISIBLE = 0x10000000u, WS_CAPTION = 0x00C00000u, WS_BORDER = 0x00800000u,
  WS_SYSMENU = 0x00080000u, WS_THICKFRAME = 0x00040000u, WS_MINIMIZEBOX = 0x00020000u,
  WS_MAXIMIZEBOX = 0x00010000u, WS_CHILD = 0x40000000u,
};
enum : std::uint32_t {
  WS_EX_TOPMOST = 0x00000008u, WS_EX_TRANSPARENT = 0x00000020u, WS_EX_TOOLWINDOW = 0x00000080u,
  WS_EX_WINDOWEDGE = 0x00000100u, WS_EX_CLIENTEDGE = 0x00000200u,
};
// Creates a top-level window on the calling thread and sends it WM_CREATE. The first top-level
// window opens the host window (platform/host); nullptr when the class is unknown, the host has no
// usable display, or the fault switch says so.
WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* title, std::uint32_t style,
                            int x, int y, int width, int height, WindowHandle parent, void* menu, void* instance);
// Sends WM_DESTROY, then forgets the window and closes its host window.
bool DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_MINIMIZE = 6, SW_SHOW = 5 };
bool ShowWindow(WindowHandle window, int command);   // previous visibility
bool UpdateWindow(WindowHandle window);               // paints at once when the window needs it
bool SetWindowText(WindowHandle window, const char* text);
bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase);
bool ValidateRect(WindowHandle window, const Rect* rect);

struct PaintInfo {
  Rect paint;       // the part that needs painting, client coordinates
  bool erase;
};
// BeginPaint validates the window; EndPaint ends the paint.
bool BeginPaint(WindowHandle window, PaintInfo* out);
bool EndPaint(WindowHandle window, const PaintInfo* info);
// Fills a client rectangle with a 0x00RRGGBB colour on the host window (seen in the next frame).
bool FillClientRect(WindowHandle window, const Rect* rect, std::uint32_t color);

enum : int { GWL_STYLE = -16, GWL_EXSTYLE = -20 };
std::int32_t GetWindowLong(WindowHandle window, int index);
std::int32_t SetWindowLong(WindowHandle window, int index, std::int32_t value);   // old value

bool GetWindowRect(WindowHandle window, Rect* out);
bool GetClientRect(WindowHandle window, Rect* out);   // (0, 0, width, height)
bool ClientToScreen(WindowHandle window, Point* point);
bool AdjustWindowRectEx(Rect* rect, std::uint32_t style, bool menu, std::uint32_t exStyle);
enum : std::uint32_t {
  SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOREDRAW = 0x0008,
  SWP_NOACTIVATE = 0x0010, SWP_SHOWWINDOW = 0x0040,
};
bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height,
                  std::uint32_t flags);
bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint);

// The window that has the keyboard focus on the desktop; the layer's own window while the host
// window has it.
WindowHandle GetForegroundWindow();
bool SetForegroundWindow(WindowHandle window);
bool BringWindowToTop(WindowHandle window);
WindowHandle SetActiveWindow(WindowHandle window);
bool IsIconic(WindowHandle window);
std::uint32_t GetWindowThreadProcessId(WindowHandle window, std::uint32_t* processId);
bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool on);

// ---------------------------------------------------------------- cursor, metrics, system parameters
int ShowCursor(bool show);            // the new show count; the cursor shows while it is 0 or more
bool GetCursorPos(Point* out);        // screen coordinates
enum : int {
  SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CYCAPTION = 4,
  SM_CXFIXEDFRAME = 7, SM_CYFIXEDFRAME = 8, SM_CYMENU = 15, SM_CXEDGE = 45, SM_CYEDGE = 46,
  SM_CXBORDER = 5, SM_CYBORDER = 6,
};
int GetSystemMetrics(int index);
// The desktop: size and bits per pixel (bytes per pixel x 8, so a depth-24 display reads 32).
void GetDesktopMode(int* width, int* height, int* bitsPerPixel);
enum : std::uint32_t {
  SPI_SETSCREENSAVEACTIVE = 0x0011, SPI_SCREENSAVERRUNNING = 0x0061,
  SPI_GETFOREGROUNDLOCKTIMEOUT = 0x2000, SPI_SETFOREGROUNDLOCKTIMEOUT = 0x2001,
};
bool SystemParametersInfo(std::uint32_t action, std::uint32_t param, void* data, std::uint32_t winIni);
// The OEM code page the text routines read (932).
std::uint32_t GetOEMCP();

// ---------------------------------------------------------------- modules and message hooks
// The layer's own modules, found by name (case-insensitively). The only one is the message-hook
// module "zzvv_MesHoooooook.dll"; its export "SetMSGHookDll" (a MessageHookSetter) hooks a window so
// that system key combinations stay with it until UnhookWindowsHookEx.
struct ModuleRecord;
using ModuleHandle = ModuleRecord*;
struct HookRecord;
using HookHandle = HookRecord*;
using ProcAddress = void (*)();
using MessageHookSetter = HookHandle (*)(WindowHandle window);
ModuleHandle LoadLibrary(const char* name);   // nullptr when no module has that name
ProcAddress GetProcAddress(ModuleHandle module, const char* name);
bool FreeLibrary(ModuleHandle module);
bool UnhookWindowsHookEx(HookHandle hook);

// ---------------------------------------------------------------- timers
// WM_TIMER is generated by PeekMessage on the window's thread once the period has passed.
std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds);
bool KillTimer(WindowHandle window, std::uintptr_t id);

// ---------------------------------------------------------------- message box
enum : std::uint32_t { MB_OK = 0, MB_ICONERROR = 0x10 };
int MessageBox(WindowHandle owner, const char* text, const char* caption, std::uint32_t type);   // 1 (OK)

// ---------------------------------------------------------------- display changes
// Posted by the layer after it changed the screen mode: WM_DISPLAYCHANGE (bits; width | height << 16)
// to every window.
void BroadcastDisplayChange(int bitsPerPixel, int width, int height);

// ---------------------------------------------------------------- input method editor
struct InputContextRecord;
using InputContext = InputContextRecord*;
InputContext ImmGetContext(WindowHandle window);        // nullptr while the editor is disabled for it
bool ImmReleaseContext(WindowHandle window, InputContext context);
// Bytes copied (or needed with a null buffer); GCS_CURSORPOS answers the cursor in bytes.
std::int32_t ImmGetCompositionString(InputContext context, std::uint32_t part, void* buffer, std::uint32_t size);
enum : std::uint32_t { SCS_SETSTR = 9 };
bool ImmSetCompositionString(InputContext context, std::uint32_t index, const void* text, std::uint32_t size,
                             const void* reading, std::uint32_t readingSize);
// The host offers no candidate list: the size is 0.
std::uint32_t ImmGetCandidateList(InputContext context, std::uint32_t index, void* buffer, std::uint32_t size);
bool ImmGetOpenStatus(InputContext context);
bool ImmSetOpenStatus(InputContext context, bool open);
enum : std::uint32_t { NI_COMPOSITIONSTR = 0x0015, CPS_CANCEL = 0x0004 };
bool ImmNotifyIME(InputContext context, std::uint32_t action, std::uint32_t index, std::uint32_t value);
// Enables or disables the editor for the window; returns the previous state.
bool WINNLSEnableIME(WindowHandle window, bool enable);

// ---------------------------------------------------------------- dropped files
struct DropRecord;
using DropHandle = DropRecord*;
// Index 0xFFFFFFFF answers the number of files; else the name's length (CP932), copied when a
// buffer is given.
std::uint32_t DragQueryFile(DropHandle drop, std::uint32_t index, char* buffer, std::uint32_t size);
void DragFinish(DropHandle drop);

// ---------------------------------------------------------------- menus
// Menus are kept as data: the host shows no menu bar, but items, submenus and the window's menu
// behave as the library reads and changes them.
struct MenuRecord;
using MenuHandle = MenuRecord*;
enum : std::uint32_t { MF_STRING = 0x0000, MF_POPUP = 0x0010, MF_BYPOSITION = 0x0400, MF_SEPARATOR = 0x0800 };
constexpr std::uint32_t kMenuItemIsSubMenu = 0xFFFFFFFFu;   // GetMenuItemID of a submenu item
MenuHandle CreateMenu();
MenuHandle CreatePopupMenu();
bool DestroyMenu(MenuHandle menu);                            // with its submenus
// MF_POPUP: `item` is the submenu; else the item id. A null text with MF_SEPARATOR adds a separator.
bool AppendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t item, const char* text);
// Replaces the item at `position` (MF_BYPOSITION).
bool ModifyMenu(MenuHandle menu, std::uint32_t position, std::uint32_t flags, std::uintptr_t item, const char* text);
bool DeleteMenu(MenuHandle menu, std::uint32_t position, std::uint32_t flags);
int GetMenuItemCount(MenuHandle menu);                        // -1 for a bad menu
std::uint32_t GetMenuItemID(MenuHandle menu, int position);   // kMenuItemIsSubMenu for a submenu item
MenuHandle GetSubMenu(MenuHandle menu, int position);
std::uint32_t GetMenuState(MenuHandle menu, std::uint32_t position, std::uint32_t flags);   // 0xFFFFFFFF when absent
// Copies the item's text (CP932); returns its length.
int GetMenuString(MenuHandle menu, std::uint32_t position, char* buffer, int size, std::uint32_t flags);
// Puts the menu on the window (null removes it); the window's client area shrinks by the menu bar.
bool SetMenu(WindowHandle window, MenuHandle menu);
MenuHandle GetMenu(WindowHandle window);
bool DrawMenuBar(WindowHandle window);

// ---------------------------------------------------------------- window regions
// A region is a set of rectangles; a window keeps a copy of the one it is given. The host shows the
// window unshaped.
struct RegionRecord;
using RegionHandle = RegionRecord*;
RegionHandle ExtCreateRegion(const Rect* rects, int count);
bool DeleteRegion(RegionHandle region);
// Null removes the window's shape; 0 on failure.
int SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw);
// The rectangles of the window's region; false when it has none.
bool GetWindowRegionRects(WindowHandle window, std::vector<Rect>* rects);

// ---------------------------------------------------------------- tool bars
// The common-control tool bar: a visible child strip along the top of its parent's client area,
// as wide as that area and as high as its buttons plus a margin. It keeps its bitmap and button
// size as data; the host does not draw it, what matters is the client area below it.
struct ToolbarRecord;
using ToolbarHandle = ToolbarRecord*;
// Nullptr when the parent is no window or the fault switch ("CreateToolbarWindow") says so.
ToolbarHandle CreateToolbarWindow(WindowHandle parent);
bool DestroyToolbarWindow(ToolbarHandle toolbar);
bool SetToolbarButtonStructSize(ToolbarHandle toolbar, int size);
// Adds `imageCount` button images cut from a bitmap (an opaque bitmap handle); the index of the
// first image, -1 on failure.
int AddToolbarBitmap(ToolbarHandle toolbar, const void* bitmap, int imageCount);
bool ReplaceToolbarBitmap(ToolbarHandle toolbar, const void* oldBitmap, const void* newBitmap, int imageCount);
bool SetToolbarButtonSize(ToolbarHandle toolbar, int width, int height);
// The parent's WM_SIZE passed on: the strip takes the parent's client width again.
void PassSizeToToolbar(ToolbarHandle toolbar, WParam wParam, LParam lParam);
// The strip in screen coordinates; false for a tool bar that is gone.
bool GetToolbarRect(ToolbarHandle toolbar, Rect* out);

// ---------------------------------------------------------------- single instance
// Takes the desktop-wide lock named by `name` (a lock file in the system temporary folder, named by
// the hex of the CP932 name). 1 taken, 0 another process holds it, -1 failure. Held until released
// or the process ends.
int AcquireInstanceLock(const char* name);
void ReleaseInstanceLock();

}  // namespace pf
