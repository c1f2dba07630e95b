// SPDX-License-Identifier: MIT
// The common root of framework objects, so events can name their sender as one type.
#pragma once

// Every object that can be the sender of an event derives from TObject. It carries nothing but a
// virtual destructor, so a handler can find out the exact class with dynamic_cast or typeid.
class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;
};
