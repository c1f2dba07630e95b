// SPDX-License-Identifier: MIT
// A value the window thread writes and the display thread reads, one whole word at a time.
#pragma once

#include <atomic>

// The player's channel state is written on the window thread and read by the 25 ms display thread
// without a lock. Each read only needs to see some whole value that was written, never a torn one,
// and nothing else is ordered by it, so relaxed loads and stores are enough. The wrapper keeps the
// code that uses the state reading like plain assignments and comparisons.
template <class T>
class TRelaxed {
public:
  constexpr TRelaxed(T value = T{}) noexcept : FValue(value) {}
  TRelaxed(const TRelaxed&) = delete;
  TRelaxed& operator=(const TRelaxed&) = delete;

  T Load() const noexcept { return FValue.load(std::memory_order_relaxed); }
  void Store(T value) noexcept { FValue.store(value, std::memory_order_relaxed); }
  operator T() const noexcept { return Load(); }
  TRelaxed& operator=(T value) noexcept {
    Store(value);
    return *this;
  }

private:
  static_assert(std::atomic<T>::is_always_lock_free, "the display thread must never wait");
  std::atomic<T> FValue;
};
