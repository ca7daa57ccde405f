// The main window's tool bar: its picture, its common-control window and its button table.
#include "media/core/toolbar.h"

#include "media/core/log.h"
#include "media/core/main_window.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/window_mode.h"
#include "media/core/window_state.h"

namespace zelvo {
namespace {

// The size of the button record the common control is told about.
constexpr int kButtonStructSize = 20;
// The style row made for a window carrying a tool bar.
constexpr int kToolbarStyleIndex = 6;

void DeletePicture() {
  if (g_window.toolbar.picture != nullptr) pf::DeleteObject(g_window.toolbar.picture);
  g_window.toolbar.picture = nullptr;
}

void ClearButtons() {
  for (ToolbarButton& button : g_window.toolbar.buttons) button = ToolbarButton{};
  g_window.toolbar.buttonCount = 0;
}

}  // namespace

void RemoveToolbar() {
  Toolbar& toolbar = g_window.toolbar;
  if (toolbar.window != nullptr) pf::DestroyToolbarWindow(toolbar.window);
  toolbar.window = nullptr;
  toolbar.exists = 0;
  DeletePicture();
  ClearButtons();
}

int SetToolbar(const char* path, int buttonCount) {
  Toolbar& toolbar = g_window.toolbar;
  if (path == nullptr) {
    int hadToolbar = toolbar.exists;
    RemoveToolbar();
    // The client area gives the strip's rows back.
    if (hadToolbar != 0) FitWindowToScreen();
    return 0;
  }
  // The buttons are cut from the picture's width.
  if (g_windowSettings.windowMode == 0 || buttonCount <= 0) return -1;
  ClearButtons();
  pf::GdiObject picture = ScreenLoadDibPicture(path);
  if (picture == nullptr) {
    WriteLogText("ツールバーのボタン用のビットマップファイルの読み込みに失敗しました\n");
    return -1;
  }
  if (toolbar.exists == 0) {
    pf::ToolbarHandle window = pf::CreateToolbarWindow(g_window.window);
    if (window == nullptr) {
      WriteLogText("ツールバーウインドウの作成に失敗しました\n");
      pf::DeleteObject(picture);
      return -1;
    }
    pf::SetToolbarButtonStructSize(window, kButtonStructSize);
    pf::AddToolbarBitmap(window, picture, buttonCount);
    toolbar.window = window;
    toolbar.exists = 1;
  } else {
    pf::ReplaceToolbarBitmap(toolbar.window, toolbar.picture, picture, buttonCount);
    DeletePicture();
  }
  toolbar.picture = picture;
  pf::BitmapDescription description{};
  pf::GetObject(picture, sizeof description, &description);
  int height = description.height < 0 ? -description.height : description.height;
  pf::SetToolbarButtonSize(toolbar.window, description.width / buttonCount, height);
  SetWindowStyleIndex(kToolbarStyleIndex);
  FitWindowToScreen();
  return 0;
}

int GetToolbarHeight() {
  pf::Rect rect{};
  if (g_window.toolbar.exists == 0 || !pf::GetToolbarRect(g_window.toolbar.window, &rect)) return 0;
  return rect.bottom - rect.top;
}

int OnToolbarCommand(int id) {
  Toolbar& toolbar = g_window.toolbar;
  if (toolbar.exists == 0 || id < kFirstToolbarId) return 0;
  for (int i = 0; i < toolbar.buttonCount; ++i) {
    if (toolbar.buttons[i].id == id && toolbar.buttons[i].type == 0) toolbar.buttons[i].clicked = 1;
  }
  return 1;
}

void PassSizeToToolbar(pf::WParam wParam, pf::LParam lParam) {
  if (g_window.toolbar.exists != 0) pf::PassSizeToToolbar(g_window.toolbar.window, wParam, lParam);
}

}  // namespace zelvo
