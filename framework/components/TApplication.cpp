// SPDX-License-Identifier: MIT
// The application object: backend choice, the message loop, timers and the exception display.
#include "components/TApplication.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "components/Exception.h"
#include "components/TTimer.h"

TApplication Application;

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  DestroyComponents();
  FBackend.reset();
}

void TApplication::OpenBackend(TBackendFactory factory) {
  std::string error;
  std::unique_ptr<TBackend> backend = factory ? factory(error) : nullptr;
  if (!backend) {
    if (error.empty()) error = "no window system available";
    std::fprintf(stderr, "mira.nol: cannot open a window: %s\n", error.c_str());
    std::fflush(stderr);
    std::exit(1);
  }
  SetBackend(std::move(backend));
}

void TApplication::SetBackend(std::unique_ptr<TBackend> backend) {
  DestroyComponents();
  FMainForm = nullptr;
  FWindowForm = nullptr;
  FBackend = std::move(backend);
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
  DestroyComponents();
  FMainForm = nullptr;
  FWindowForm = nullptr;
  FTerminated = false;
  FTitle.clear();
  FBackend.reset();
}

void TApplication::Run() {
  FTerminated = false;
  if (!FMainForm) return;
  try {
    FMainForm->Show();
  } catch (...) {
    HandleException();
  }
  while (!FTerminated && FMainForm) HandleMessage();
}

void TApplication::HandleMessage() {
  TBackend& backend = EnsureBackend();
  FlushPaint();
  backend.WaitEvents(NextTimerWake(), [this](const TBackendEvent& e) { Dispatch(e); });
  FireDueTimers();
  FlushPaint();
}

void TApplication::ProcessMessages() {
  TBackend& backend = EnsureBackend();
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

void TApplication::MessageBox(const std::string& text) { EnsureBackend().ShowMessageBox(FTitle, text); }

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
