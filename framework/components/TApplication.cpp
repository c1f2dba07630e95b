// SPDX-License-Identifier: MIT
// The application object: backend choice, the message loop, timers and the exception display.
#include "components/TApplication.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "components/Exception.h"
#include "components/TTimer.h"

TApplication Application;

namespace {

// What a signal handler may touch: the signal that asked the program to end, and the backend to
// wake. Both are lock-free atomics.
std::atomic<int> gEndSignal{0};
std::atomic<TBackend*> gSignalBackend{nullptr};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<TBackend*>::is_always_lock_free);

void EndOnSignal(int signal) {
  gEndSignal.store(signal);
  if (TBackend* backend = gSignalBackend.load()) backend->WakeToEnd();
}

}  // namespace

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { Shutdown(); }

TResult<void> TApplication::OpenBackend(TBackendFactory factory) {
  if (!factory) return Fail("no window system available");
  TResult<std::unique_ptr<TBackend>> backend = factory();
  if (!backend) return Fail(backend.Error().empty() ? "no window system available" : backend.Error());
  SetBackend(std::move(backend).Value());
  return {};
}

void TApplication::SetBackend(std::unique_ptr<TBackend> backend) {
  DestroyComponents();
  FMainForm = nullptr;
  FWindowForm = nullptr;
  gSignalBackend.store(nullptr);
  FBackend = std::move(backend);
  gSignalBackend.store(FBackend.get());
}

TBackend& TApplication::EnsureBackend() {
  if (!FBackend) throw EInvalidOperation("No window backend has been chosen (Application.OpenBackend or SetBackend)");
  return *FBackend;
}

void TApplication::SetTitle(const std::string& title) {
  FTitle = title;
  if (FWindowForm && FBackend && FBackend->HasWindow()) FBackend->SetWindowTitle(title);
}

void TApplication::Reset() {
  Shutdown();
  OnIdle = nullptr;
  FTerminated = false;
  FExitStatus = 0;
  FTitle.clear();
  gEndSignal.store(0);
}

void TApplication::Shutdown() {
  DestroyComponents();
  FMainForm = nullptr;
  FWindowForm = nullptr;
  // A signal arriving from now on only sets the flag.
  gSignalBackend.store(nullptr);
  FBackend.reset();
}

void TApplication::HandleEndSignals() {
  struct sigaction action {};
  action.sa_handler = EndOnSignal;
  sigemptyset(&action.sa_mask);
  // The first signal asks for an orderly end; should that hang, the next one ends the process.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool TApplication::CheckEnd() {
  // Asked first, also when the loop was told to end anyway: a message box that the lost window
  // system closed ends start-up as if it had been answered.
  if (FExitStatus == 0 && FBackend && FBackend->ConnectionLost()) {
    // The window system is gone for good: say so, as a program does that cannot go on.
    std::fprintf(stderr, "%s: lost the connection to the display\n", FTitle.empty() ? "program" : FTitle.c_str());
    std::fflush(stderr);
    FExitStatus = 1;
    Terminate();
  } else if (gEndSignal.load() != 0) {
    Terminate();
  }
  return FTerminated;
}

int TApplication::Run() {
  if (!FMainForm || CheckEnd()) return FExitStatus;
  try {
    FMainForm->Show();
  } catch (...) {
    HandleException();
  }
  while (!CheckEnd() && FMainForm) HandleMessage();
  return FExitStatus;
}

void TApplication::HandleMessage() {
  TBackend& backend = EnsureBackend();
  FlushPaint();
  if (OnIdle) {
    try {
      OnIdle(this);
    } catch (...) {
      HandleException();
    }
  }
  std::optional<TTimePoint> wake = NextTimerWake();
  if (const std::optional<TTimePoint> held = FWindowForm ? FWindowForm->PaintHeldUntil() : std::nullopt)
    wake = wake ? std::min(*wake, *held) : *held;
  backend.WaitEvents(wake, [this](const TBackendEvent& e) { Dispatch(e); });
  // Nothing more happens in a turn after which the program ends.
  if (CheckEnd()) return;
  FireDueTimers();
  FlushPaint();
}

void TApplication::ProcessMessages() {
  TBackend& backend = EnsureBackend();
  // As in a turn of the loop: what waited for the window's frame is painted before the wait sends it.
  FlushPaint();
  backend.WaitEvents(backend.Now(), [this](const TBackendEvent& e) { Dispatch(e); });
  FireDueTimers();
  FlushPaint();
}

void TApplication::Dispatch(const TBackendEvent& event) {
  if (!FWindowForm) return;
  try {
    FWindowForm->HandleBackendEvent(event);
  } catch (...) {
    HandleException();
  }
}

void TApplication::FlushPaint() {
  if (!FWindowForm) return;
  try {
    FWindowForm->FlushPaint();
  } catch (...) {
    HandleException();
  }
}

void TApplication::MessageBox(const std::string& text) {
  TBackend& backend = EnsureBackend();
  // The program is on its way out: the box could be neither seen nor answered.
  if (gEndSignal.load() != 0 || backend.ConnectionLost()) return;
  ++FMessageBoxDepth;
  struct TLeave {
    int& Depth;
    ~TLeave() { --Depth; }
  } leave{FMessageBoxDepth};
  backend.ShowMessageBox(FTitle, text);
}

void TApplication::HandleException() {
  try {
    throw;
  } catch (const Exception& e) {
    ShowException(&e);
  } catch (const std::exception& e) {
    ShowException(&e);
  } catch (...) {
    ShowException(nullptr);
  }
}

void TApplication::ShowException(const std::exception* e) {
  // Only the framework's own exceptions carry a message meant for the user.
  const auto* own = dynamic_cast<const Exception*>(e);
  MessageBox(own ? own->Message() : std::string());
}

TPoint TApplication::CursorPos() const { return FBackend ? FBackend->PointerScreenPos() : TPoint{}; }

TTimePoint TApplication::Now() const { return FBackend ? FBackend->Now() : TClock::now(); }

void TApplication::RegisterTimer(TTimer* timer) { FTimers.push_back(timer); }

void TApplication::UnregisterTimer(TTimer* timer) {
  FTimers.erase(std::remove(FTimers.begin(), FTimers.end(), timer), FTimers.end());
}

std::optional<TTimePoint> TApplication::NextTimerDue() const {
  std::optional<TTimePoint> next;
  for (const TTimer* t : FTimers) {
    // A timer without a handler never fires, so it must not wake the loop either.
    if (!t->Due() || !t->OnTimer) continue;
    if (!next || *t->Due() < *next) next = t->Due();
  }
  return next;
}

std::optional<TTimePoint> TApplication::NextTimerWake() const {
  std::optional<TTimePoint> wake = NextTimerDue();
  if (!wake) return wake;
  // Each wake-up of the window thread costs far more than a timer's few milliseconds of lateness.
  const TTimePoint limit = *wake + kTimerSlack;
  for (const TTimer* t : FTimers) {
    if (!t->Due() || !t->OnTimer) continue;
    if (*t->Due() <= limit && *t->Due() > *wake) wake = t->Due();
  }
  return wake;
}

void TApplication::FireDueTimers() {
  const TTimePoint now = Now();
  // Fire in the order of the deadlines (creation order among equal ones). Each pass looks again,
  // because a handler may stop, restart, create or destroy timers; a timer that fired has its next
  // deadline after `now`, so each fires at most once here.
  for (;;) {
    TTimer* first = nullptr;
    for (TTimer* t : FTimers) {
      if (!t->Due() || *t->Due() > now || !t->OnTimer) continue;
      if (!first || *t->Due() < *first->Due()) first = t;
    }
    if (!first) break;
    try {
      first->Fire(now);
    } catch (...) {
      HandleException();
    }
  }
}

void TApplication::FormDestroying(TForm* form) {
  if (FMainForm == form) FMainForm = nullptr;
  if (FWindowForm == form) FWindowForm = nullptr;
}

void TApplication::ComponentRemoving(TComponent* component) {
  if (auto* form = dynamic_cast<TForm*>(component)) FormDestroying(form);
}
