// SPDX-License-Identifier: MIT
// Pointer buttons, the shift-state set, cursor shapes and key codes shared by controls and backends.
#pragma once

#include <cstdint>

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// One member of the shift state. The numbering is part of the contract: handlers may test the raw
// set, and the left-button member is bit 3 (value 8).
enum TShiftStateItem : uint8_t {
  ssShift = 0,
  ssAlt = 1,
  ssCtrl = 2,
  ssLeft = 3,
  ssRight = 4,
  ssMiddle = 5,
  ssDouble = 6
};

// The keyboard modifiers and pointer buttons held at the time of an event.
class TShiftState {
public:
  constexpr TShiftState() = default;
  constexpr TShiftState(TShiftStateItem item) : FBits(static_cast<uint8_t>(1u << item)) {}
  static constexpr TShiftState FromBits(uint8_t bits) {
    TShiftState s;
    s.FBits = bits;
    return s;
  }

  constexpr bool Contains(TShiftStateItem item) const { return (FBits >> item) & 1u; }
  constexpr uint8_t Bits() const { return FBits; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TShiftState operator|(TShiftState o) const { return FromBits(FBits | o.FBits); }
  constexpr TShiftState& operator|=(TShiftState o) {
    FBits |= o.FBits;
    return *this;
  }
  constexpr TShiftState Without(TShiftStateItem item) const { return FromBits(FBits & ~(1u << item)); }
  constexpr bool operator==(const TShiftState&) const = default;

private:
  uint8_t FBits = 0;
};

// The pointer shapes a control can ask for.
enum class TCursor : uint8_t { crDefault, crArrow, crSizeWE, crSizeNS };
using enum TCursor;

// Key codes of key-down events: the classic desktop virtual-key numbers. Letters and digits use
// their upper-case ASCII codes ('A' = 65, '0' = 48).
namespace vk {
inline constexpr uint16_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Escape = 27, Space = 32,
                          Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
                          Insert = 45, Delete = 46, F1 = 112;
}
