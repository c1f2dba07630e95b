// SPDX-License-Identifier: MIT
// Interval timers: scheduling of periods on the message loop's clock.
#include "components/TTimer.h"

#include <algorithm>

#include "components/TApplication.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  Application.RegisterTimer(this);
  Restart();
}

TTimer::~TTimer() { Application.UnregisterTimer(this); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Restart();
}

void TTimer::SetInterval(uint32_t interval) {
  if (interval == FInterval) return;
  FInterval = interval;
  Restart();
}

std::chrono::milliseconds TTimer::EffectivePeriod() const {
  return std::chrono::milliseconds(std::max(FInterval, kMinInterval));
}

void TTimer::Restart() {
  if (FEnabled && FInterval > 0)
    FDue = Application.Now() + EffectivePeriod();
  else
    FDue.reset();
}

void TTimer::Fire(TTimePoint now) {
  if (!FDue || *FDue > now) return;
  // Keep the rhythm of the deadlines, but never queue up periods that were missed: a late timer
  // fires once and its next period starts now.
  TTimePoint next = *FDue + EffectivePeriod();
  if (next <= now) next = now + EffectivePeriod();
  FDue = next;
  // The handler may destroy this timer (closing its form, say), so it runs from a copy.
  if (TNotifyEvent handler = OnTimer) handler(this);
}
