// SPDX-License-Identifier: MIT
// The application: its title, its forms, the backend, the message loop, timers and error display.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"
#include "components/TComponent.h"
#include "components/TForm.h"

class TTimer;

// There is one application object, `Application`. A program:
//
//   int main() {
//     if (TResult<void> opened = Application.OpenBackend(CreateSdl2Backend); !opened) { /* say why */ return 1; }
//     Application.HandleEndSignals();
//     Application.Initialize();
//     Application.SetTitle("mira.nol");
//     Application.CreateForm<TMainForm>();
//     const int status = Application.Run();
//     Application.Shutdown();
//     return status;
//   }
//
// The message loop waits in one call until the next timer falls due or an event arrives, then
// delivers the events, fires every timer that is due (in the order of their deadlines, at most
// once each), and paints. Timers falling due within kTimerSlack of one another fire in the same
// turn: the wait runs to the latest of them, so none fires early and none more than kTimerSlack
// late, and each keeps the rhythm of its own deadlines. Exceptions that escape an event handler, a
// timer or a form's creation are shown by ShowException and the loop carries on.
//
// However the program is asked to end (its main form closes, a signal, the window system goes
// away), the loop ends and Run returns; Shutdown then takes the forms down before the backend, so
// that whatever a form runs on other threads stops while everything it uses still exists. Nothing
// in the framework ends the process itself.
class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;

  // --- Backend ----------------------------------------------------------------------------
  // Makes `factory`'s backend the application's, or fails with the factory's one-line reason.
  TResult<void> OpenBackend(TBackendFactory factory);
  // Replaces the backend (tests use the headless one). Destroys every form first.
  void SetBackend(std::unique_ptr<TBackend> backend);
  TBackend* Backend() const { return FBackend.get(); }
  // The backend; throws EInvalidOperation if none was chosen yet.
  TBackend& EnsureBackend();

  // --- Application --------------------------------------------------------------------------
  void Initialize() {}
  // Shown by task bars and window lists as the window's title, and the caption of message boxes.
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& title);

  // Creates a form owned by the application and runs its OnCreate. The first form created
  // becomes the main form. Returns nullptr (after showing the exception) if construction threw.
  template <class T>
  T* CreateForm(const std::string& name = "") {
    T* form = nullptr;
    try {
      form = &Add<T>(name);
      if (!FMainForm) FMainForm = form;
      form->DoCreate();
    } catch (...) {
      HandleException();
    }
    return form;
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the message loop until the main form closes, Terminate(), a
  // signal that HandleEndSignals watches, or the loss of the window system. Returns the program's
  // exit status: 0, or 1 when the connection to the window system was lost. Returns at once when
  // the program was asked to end before (a start-up failure), without showing anything.
  int Run();
  void Terminate() { FTerminated = true; }
  // Ends the loop with this exit status (a failure the framework reported on standard error).
  void TerminateWithStatus(int status) {
    FExitStatus = status;
    FTerminated = true;
  }
  bool Terminated() const { return FTerminated; }
  int ExitStatus() const { return FExitStatus; }
  // SIGTERM, SIGINT and SIGHUP end the message loop as a close does (status 0). A second signal of
  // the same kind, while the program is still on its way out, ends it at once as by default.
  void HandleEndSignals();
  // Destroys every form (each stops what it runs on other threads as it goes), then the backend.
  // Afterwards the program only has to return from main.
  void Shutdown();
  // One turn of the loop: paint, wait for events or the next timer, deliver, fire timers, paint.
  void HandleMessage();
  // Delivers what is pending and fires due timers without waiting.
  void ProcessMessages();

  // A modal box with the Title as caption, `text` and an OK button, centred on the screen.
  void MessageBox(const std::string& text);
  // True while a message box is up. The loop does not run then; whatever the backend still serves
  // (a watched descriptor) must leave the program's state alone until the box is answered.
  bool InMessageBox() const { return FMessageBoxDepth > 0; }

  // Runs once a turn, after the turn's events and timers were handled, before the loop waits again:
  // where a watcher of the program's state sees every change once it is complete.
  TNotifyEvent OnIdle;
  // Shows the exception currently being handled: the framework's exceptions with their message,
  // any other with an empty message. Call from inside a catch block.
  void HandleException();
  void ShowException(const std::exception* e);

  // The pointer's position on the screen.
  TPoint CursorPos() const;
  TTimePoint Now() const;

  // Destroys every form, forgets the timers and the backend and resets the title: a fresh start
  // (tests use it between cases).
  void Reset();

  // --- Used by the framework --------------------------------------------------------------
  void RegisterTimer(TTimer* timer);
  void UnregisterTimer(TTimer* timer);
  // The earliest deadline of a timer that can fire, if any.
  std::optional<TTimePoint> NextTimerDue() const;
  // When the loop's wait should end: the latest deadline within kTimerSlack of the earliest.
  std::optional<TTimePoint> NextTimerWake() const;
  // Two timers ticking every 10 ms at different phases share one wake-up whatever their phases.
  static constexpr std::chrono::milliseconds kTimerSlack{5};
  void FireDueTimers();
  // The form that owns the backend's window gets its events.
  void SetWindowForm(TForm* form) { FWindowForm = form; }
  TForm* WindowForm() const { return FWindowForm; }
  void FormDestroying(TForm* form);
  void FlushPaint();

protected:
  void ComponentRemoving(TComponent* component) override;

private:
  void Dispatch(const TBackendEvent& event);
  // Ends the loop when a signal asked for it or the window system is gone; true when it has ended.
  bool CheckEnd();

  std::unique_ptr<TBackend> FBackend;
  std::string FTitle;
  TForm* FMainForm = nullptr;
  TForm* FWindowForm = nullptr;
  bool FTerminated = false;
  int FExitStatus = 0;
  int FMessageBoxDepth = 0;
  std::vector<TTimer*> FTimers;  // creation order
};

extern TApplication Application;
