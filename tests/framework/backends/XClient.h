// SPDX-License-Identifier: MIT
// The tests' own connection to the X server: what the server knows about a window, and input
// injected through the XTEST extension as if a user moved, clicked and typed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/TColor.h"
#include "graphics/TRect.h"

class TXClient {
public:
  // Connects to $DISPLAY. A server that many clients connect to at once refuses a few of them
  // for a moment, so a refusal is tried again for a while before it counts.
  TXClient();
  ~TXClient();
  TXClient(const TXClient&) = delete;
  TXClient& operator=(const TXClient&) = delete;

  bool Connected() const { return FDisplay != nullptr; }

  // The window's bounding outline as the server holds it, in window coordinates. `shaped` tells
  // whether the window has an outline at all.
  std::vector<TRect> ShapeRects(unsigned long window, bool& shaped);
  // The window's top-left corner on the screen.
  TPoint WindowOrigin(unsigned long window);
  // The colour the server shows at (x, y) of the window (red in the lowest byte).
  TColor PixelAt(unsigned long window, int x, int y);
  // The title a window list shows for the window.
  std::string WindowTitle(unsigned long window);
  // The window's icon property (_NET_WM_ICON) as the server holds it: for each picture its width, its
  // height and its pixels 0xAARRGGBB. Empty when the window has none.
  std::vector<uint32_t> WindowIcon(unsigned long window);
  // Top-level windows that are mapped, other than `except`.
  std::vector<unsigned long> OtherMappedWindows(unsigned long except);
  // The window's WM_CLASS as "name/class" (empty when it has none).
  std::string WindowClass(unsigned long window);
  // The window's position and size on the screen.
  TRect WindowRect(unsigned long window);
  // What a window manager does when the user closes the window: WM_DELETE_WINDOW.
  void RequestClose(unsigned long window);
  // What another client may do: destroy the window outright.
  void Destroy(unsigned long window);

  // True when no client holds the pointer grabbed (checked by grabbing and releasing it).
  bool PointerFree();

  // Input through XTEST; each call waits until the server has handled it.
  void MovePointer(int screenX, int screenY);
  void Button(int button, bool press);  // 1 left, 2 middle, 3 right
  void Click(int button = 1);
  // `keysym` is an X key symbol name such as "Return", "space", "a".
  void Key(const std::string& keysym);
  void Focus(unsigned long window);

private:
  void* FDisplay = nullptr;
};
