// SPDX-License-Identifier: MIT
// The message record every control's message handler (WindowProc) receives, and the message numbers.
#pragma once

#include <cstdint>
#include <functional>

// One message to a control. The handler reads Msg, WParam and LParam and leaves its answer in
// Result. Pointer messages carry the shift-state bits in WParam (the wheel message also the delta,
// as a signed 16-bit value, in the upper 16 bits) and the control's client coordinates in LParam
// (MakeLParam). Key messages carry the key code (WM_KEYDOWN, WM_KEYUP) or the character (WM_CHAR)
// in WParam and the shift-state bits in LParam.
struct TMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

// A replaceable message handler. A hook keeps the previous handler and forwards to it.
using TWndMethod = std::function<void(TMessage&)>;

constexpr intptr_t MakeLParam(int x, int y) {
  return intptr_t(uint32_t(uint16_t(int16_t(x))) | (uint32_t(uint16_t(int16_t(y))) << 16));
}
constexpr int LParamX(intptr_t lp) { return int16_t(uint16_t(uint32_t(lp) & 0xFFFFu)); }
constexpr int LParamY(intptr_t lp) { return int16_t(uint16_t((uint32_t(lp) >> 16) & 0xFFFFu)); }
constexpr int WheelDelta(uintptr_t wparam) { return int16_t(uint16_t((wparam >> 16) & 0xFFFFu)); }

// Window messages. The numbers are the classic desktop ones, so hooks written against them read
// naturally.
inline constexpr uint32_t WM_SIZE = 0x0005;      // the control's size changed
inline constexpr uint32_t WM_SETFOCUS = 0x0007;  // keyboard input now goes to the control
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_PAINT = 0x000F;  // LParam: const TRect* to repaint, parent coordinates
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_VSCROLL = 0x0115;  // WParam: SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;

inline constexpr uintptr_t SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3;

// List box messages. Strings travel as pointers: LParam is a const std::string* (add, insert) or
// a std::string* to fill (get text).
inline constexpr uint32_t LB_ADDSTRING = 0x0180;     // LParam: text; Result: its index
inline constexpr uint32_t LB_INSERTSTRING = 0x0181;  // WParam: index (-1 = end); LParam: text
inline constexpr uint32_t LB_DELETESTRING = 0x0182;  // WParam: index; Result: count left or LB_ERR
inline constexpr uint32_t LB_RESETCONTENT = 0x0184;
inline constexpr uint32_t LB_SETSEL = 0x0185;     // WParam: select (0/1); LParam: index
inline constexpr uint32_t LB_SETCURSEL = 0x0186;  // WParam: index, -1 for none; Result: LB_ERR if none selected
inline constexpr uint32_t LB_GETSEL = 0x0187;     // WParam: index; Result: 1 selected, 0 not, LB_ERR
inline constexpr uint32_t LB_GETCURSEL = 0x0188;  // Result: index or LB_ERR (-1)
inline constexpr uint32_t LB_GETTEXT = 0x0189;    // WParam: index; LParam: std::string* out
inline constexpr uint32_t LB_GETCOUNT = 0x018B;
inline constexpr uint32_t LB_GETTOPINDEX = 0x018E;
inline constexpr uint32_t LB_SETTOPINDEX = 0x0197;    // WParam: index
inline constexpr uint32_t LB_SETITEMHEIGHT = 0x01A0;  // LParam: height in pixels
inline constexpr uint32_t LB_GETITEMHEIGHT = 0x01A1;
inline constexpr intptr_t LB_ERR = -1;
