// SPDX-License-Identifier: MIT
// The message record every control's message handler (WindowProc) receives, and the message numbers.
#pragma once

#include <cassert>
#include <cstdint>
#include <functional>
#include <string>

#include "graphics/TRect.h"

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
// naturally. Each line says what the message carries; what it does not name is 0.
inline constexpr uint32_t WM_SIZE = 0x0005;           // LParam: the new size (MakeLParam(width, height))
inline constexpr uint32_t WM_SETFOCUS = 0x0007;       // nothing; keyboard input now goes to the control
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;      // nothing; keyboard input goes elsewhere
inline constexpr uint32_t WM_PAINT = 0x000F;          // LParam: the area to paint (PackPaintArea)
inline constexpr uint32_t WM_KEYDOWN = 0x0100;        // WParam: key code; LParam: shift bits
inline constexpr uint32_t WM_KEYUP = 0x0101;          // WParam: key code; LParam: shift bits
inline constexpr uint32_t WM_CHAR = 0x0102;           // WParam: the character
inline constexpr uint32_t WM_VSCROLL = 0x0115;        // WParam: SB_LINEUP, SB_LINEDOWN, SB_PAGEUP or SB_PAGEDOWN
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;      // WParam: shift bits; LParam: client point (MakeLParam)
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;    // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;      // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;  // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;    // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;      // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;  // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;    // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;      // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;  // the same as WM_MOUSEMOVE
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;     // WParam: shift bits, delta above; LParam: client point

inline constexpr uintptr_t SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3;

// List box messages. An index travels in WParam (PackIndex), a line through a pointer in LParam.
inline constexpr uint32_t LB_ADDSTRING = 0x0180;      // LParam: the line (PackLine); Result: its index
inline constexpr uint32_t LB_INSERTSTRING = 0x0181;   // WParam: index, -1 = end; LParam: the line (PackLine)
inline constexpr uint32_t LB_DELETESTRING = 0x0182;   // WParam: index; Result: lines left or LB_ERR
inline constexpr uint32_t LB_RESETCONTENT = 0x0184;   // nothing; removes every line
inline constexpr uint32_t LB_SETSEL = 0x0185;         // WParam: select (0/1); LParam: index; Result: LB_ERR
inline constexpr uint32_t LB_SETCURSEL = 0x0186;      // WParam: index, -1 = none; Result: index or LB_ERR
inline constexpr uint32_t LB_GETSEL = 0x0187;         // WParam: index; Result: 1 selected, 0 not, or LB_ERR
inline constexpr uint32_t LB_GETCURSEL = 0x0188;      // nothing; Result: the selected index or LB_ERR (-1)
inline constexpr uint32_t LB_GETTEXT = 0x0189;        // WParam: index; LParam: where to copy (PackLineBuffer)
inline constexpr uint32_t LB_GETCOUNT = 0x018B;       // nothing; Result: the number of lines
inline constexpr uint32_t LB_GETTOPINDEX = 0x018E;    // nothing; Result: the first line shown
inline constexpr uint32_t LB_SETTOPINDEX = 0x0197;    // WParam: index; Result: 0 or LB_ERR
inline constexpr uint32_t LB_SETITEMHEIGHT = 0x01A0;  // LParam: row height in pixels, 1..255; Result: 0 or LB_ERR
inline constexpr uint32_t LB_GETITEMHEIGHT = 0x01A1;  // nothing; Result: the row height in pixels
inline constexpr intptr_t LB_ERR = -1;

// Packing and unpacking what the messages carry. The objects behind LParam pointers belong to the
// sender and live only until Perform returns; a handler copies what it keeps.

// A line index, -1 included, in WParam.
constexpr uintptr_t PackIndex(int index) { return uintptr_t(intptr_t(index)); }
constexpr int UnpackIndex(uintptr_t wparam) { return int(intptr_t(wparam)); }

// LB_ADDSTRING, LB_INSERTSTRING: the line to add.
inline intptr_t PackLine(const std::string& line) { return reinterpret_cast<intptr_t>(&line); }
inline const std::string& UnpackLine(const TMessage& m) {
  assert((m.Msg == LB_ADDSTRING || m.Msg == LB_INSERTSTRING) && "UnpackLine on a message without a line");
  return *reinterpret_cast<const std::string*>(m.LParam);
}

// LB_GETTEXT: the string the line is copied into.
inline intptr_t PackLineBuffer(std::string& buffer) { return reinterpret_cast<intptr_t>(&buffer); }
inline std::string& UnpackLineBuffer(const TMessage& m) {
  assert(m.Msg == LB_GETTEXT && "UnpackLineBuffer on a message other than LB_GETTEXT");
  return *reinterpret_cast<std::string*>(m.LParam);
}

// WM_PAINT: the area to paint, in the parent's client coordinates.
inline intptr_t PackPaintArea(const TRect& area) { return reinterpret_cast<intptr_t>(&area); }
inline const TRect& UnpackPaintArea(const TMessage& m) {
  assert(m.Msg == WM_PAINT && "UnpackPaintArea on a message other than WM_PAINT");
  return *reinterpret_cast<const TRect*>(m.LParam);
}
