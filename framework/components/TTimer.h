// SPDX-License-Identifier: MIT
// An interval timer fired by the message loop on the window thread.
#pragma once

#include <cstdint>
#include <optional>

#include "Backend.h"
#include "components/TComponent.h"
#include "components/TControl.h"

// While Enabled with an Interval above 0, the timer falls due every Interval milliseconds and the
// message loop calls OnTimer. Intervals below 10 ms run at 10 ms. A stalled loop fires a late timer
// once, not once for every period it missed, and the next period counts from then. Changing
// Interval or Enabled restarts the period. A timer without an OnTimer handler never fires.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  // Milliseconds. 0 stops the timer.
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t interval);

  TNotifyEvent OnTimer;

  static constexpr uint32_t kMinInterval = 10;

  // --- Used by the message loop -------------------------------------------------------------
  // The deadline, if the timer runs (handler or not).
  std::optional<TTimePoint> Due() const { return FDue; }
  // Fires if due at `now` and schedules the next period.
  void Fire(TTimePoint now);
  std::chrono::milliseconds EffectivePeriod() const;

private:
  void Restart();

  bool FEnabled = true;
  uint32_t FInterval = 1000;
  std::optional<TTimePoint> FDue;
};
