// SPDX-License-Identifier: MIT
// The framework on the SDL2 backend and a private X server: what a user's pointer and keys reach,
// what the window shows, and what an idle window costs.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Sdl2Backend.h"
#include "XvfbFixture.h"
#include "components/TApplication.h"
#include "components/TForm.h"
#include "components/TImage.h"
#include "components/TTimer.h"
#include "graphics/TBitmap.h"
#include "graphics/TRegion.h"

namespace {

using namespace std::chrono_literals;

constexpr TPoint kOrigin{100, 80};  // where the test form's window sits on the screen

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Sdl2FormTest : public XvfbSuite {
protected:
  void SetUp() override {
    RequireServer();
    if (IsSkipped() || HasFatalFailure()) return;
    Application.Reset();
    const TResult<void> opened = Application.OpenBackend(CreateSdl2Backend);
    ASSERT_TRUE(opened) << opened.Error();
    Application.SetTitle("mira.nol");
    Form = Application.CreateForm<TForm>();
    Form->SetName("Form");
    Form->SetClientSize(200, 100);
    Form->SetLeft(kOrigin.X);
    Form->SetTop(kOrigin.Y);
    Form->SetColor(clBlack);
    Lower = &Form->Add<TImage>("Lower");
    Lower->SetBounds(10, 10, 60, 40);
    Upper = &Form->Add<TImage>("Upper");
    Upper->SetBounds(40, 20, 60, 40);
    for (TControl* c : {static_cast<TControl*>(Form), static_cast<TControl*>(Lower), static_cast<TControl*>(Upper)})
      Watch(*c);
  }
  void TearDown() override { Application.Reset(); }

  void Watch(TControl& c) {
    const std::string name = c.Name();
    c.OnMouseDown = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      Log.push_back(name + " down " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnMouseMove = [this, name](TObject*, TShiftState, int x, int y) {
      Log.push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnMouseUp = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      Log.push_back(name + " up " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnClick = [this, name](TObject*) { Log.push_back(name + " click"); };
  }
  void ShowForm() {
    Form->Show();
    Pump(150ms);
  }
  // Lets the message loop run for a while (or until `done`), as the real program would.
  template <class Pred>
  void PumpUntil(Pred done, std::chrono::milliseconds limit = 10000ms) {
    const auto end = TClock::now() + limit;
    while (!done() && TClock::now() < end) {
      Application.ProcessMessages();
      std::this_thread::sleep_for(5ms);
    }
  }
  void Pump(std::chrono::milliseconds span) {
    PumpUntil([] { return false; }, span);
  }
  bool Logged(const std::string& line) const { return std::find(Log.begin(), Log.end(), line) != Log.end(); }
  std::vector<std::string> Only(const std::string& what) const {
    std::vector<std::string> out;
    for (const auto& l : Log)
      if (l.find(what) != std::string::npos) out.push_back(l);
    return out;
  }
  unsigned long Window() const { return static_cast<TSdl2Backend*>(Application.Backend())->NativeWindow(); }

  TForm* Form = nullptr;
  TImage* Lower = nullptr;
  TImage* Upper = nullptr;
  std::vector<std::string> Log;
};

}  // namespace

TEST_F(Sdl2FormTest, xtest_press_reaches_the_topmost_control_under_the_pointer) {
  ShowForm();
  X->MovePointer(kOrigin.X + 50, kOrigin.Y + 30);  // where Upper lies over Lower
  X->Click(1);
  X->MovePointer(kOrigin.X + 15, kOrigin.Y + 15);  // Lower alone
  X->Click(3);
  X->MovePointer(kOrigin.X + 150, kOrigin.Y + 80);  // bare form
  X->Click(1);
  PumpUntil([&] { return Only(" up ").size() >= 3; });
  EXPECT_EQ(Only(" down "), (std::vector<std::string>{"Upper down 10,10", "Lower down 5,5", "Form down 150,80"}));
  EXPECT_TRUE(Logged("Upper click"));
  EXPECT_TRUE(Logged("Form click"));
}

TEST_F(Sdl2FormTest, hidden_control_lets_the_real_pointer_through) {
  Upper->Hide();
  ShowForm();
  X->MovePointer(kOrigin.X + 50, kOrigin.Y + 30);
  X->Click(1);
  PumpUntil([&] { return !Only(" up ").empty(); });
  EXPECT_EQ(Only(" down "), std::vector<std::string>{"Lower down 40,20"});
}

TEST_F(Sdl2FormTest, left_drag_out_of_the_window_stays_with_its_control_until_release) {
  ShowForm();
  X->MovePointer(kOrigin.X + 50, kOrigin.Y + 30);
  X->Button(1, true);
  PumpUntil([&] { return Logged("Upper down 10,10"); });
  X->MovePointer(kOrigin.X + 400, kOrigin.Y + 300);
  X->Button(1, false);
  PumpUntil([&] { return !Only(" up ").empty(); });
  // Upper's own coordinates: its left-top corner is at (40, 20) of the form.
  EXPECT_TRUE(Logged("Upper move 360,280"));
  EXPECT_EQ(Only(" up "), std::vector<std::string>{"Upper up 360,280"});
  EXPECT_FALSE(Logged("Upper click")) << "a release away from the control is no click";
}

// What a skin does to let the user drag the window: on a press remember the pointer's screen
// position, on every move shift the form by how far the pointer went.
TEST_F(Sdl2FormTest, dragging_a_control_moves_the_window_with_the_pointer) {
  TPoint anchor;
  bool held = false;
  Lower->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    held = true;
    anchor = Application.CursorPos();
  };
  Lower->OnMouseMove = [&](TObject*, TShiftState, int, int) {
    if (!held) return;
    const TPoint p = Application.CursorPos();
    Form->SetLeft(Form->Left() + (p.X - anchor.X));
    Form->SetTop(Form->Top() + (p.Y - anchor.Y));
    anchor = p;
  };
  Lower->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { held = false; };
  ShowForm();
  X->MovePointer(kOrigin.X + 15, kOrigin.Y + 15);
  X->Button(1, true);
  PumpUntil([&] { return held; });
  for (int step = 1; step <= 5; ++step) {
    X->MovePointer(kOrigin.X + 15 + step * 30, kOrigin.Y + 15 + step * 20);
    Pump(20ms);
  }
  X->Button(1, false);
  PumpUntil([&] { return !held; });
  EXPECT_EQ(X->WindowOrigin(Window()), (TPoint{kOrigin.X + 150, kOrigin.Y + 100}));
  EXPECT_EQ((TPoint{Form->Left(), Form->Top()}), (TPoint{kOrigin.X + 150, kOrigin.Y + 100}));
}

TEST_F(Sdl2FormTest, enter_and_space_reach_the_key_press_handler_as_13_and_32) {
  std::vector<int> typed;
  Form->OnKeyPress = [&](TObject*, char& key) { typed.push_back(static_cast<unsigned char>(key)); };
  ShowForm();
  X->MovePointer(kOrigin.X + 150, kOrigin.Y + 80);
  X->Focus(Window());
  Pump(50ms);
  X->Key("Return");
  X->Key("space");
  PumpUntil([&] { return typed.size() >= 2; });
  EXPECT_EQ(typed, (std::vector<int>{13, 32}));
}

TEST_F(Sdl2FormTest, window_shows_what_the_form_paints_inside_the_outline_it_sets) {
  Form->SetColor(clRed);
  ShowForm();
  static_cast<TSdl2Backend*>(Application.Backend())->WaitUntilShown();
  EXPECT_EQ(X->PixelAt(Window(), 150, 80), clRed);

  Form->SetWindowRegion(TRegion(Rect(0, 0, 100, 50)));
  Pump(50ms);
  bool shaped = false;
  EXPECT_EQ(X->ShapeRects(Window(), shaped), std::vector<TRect>{Rect(0, 0, 100, 50)});
  EXPECT_TRUE(shaped);
}

// Paints made between frames wait for the next one, while another thread's copies go out with every
// frame: a timer's paints must still reach the screen, not wait behind those copies for ever.
TEST_F(Sdl2FormTest, a_timers_paint_reaches_the_screen_beside_another_threads_copies) {
  auto& timer = Form->Add<TTimer>("Timer");
  timer.SetInterval(10);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    if (++ticks == 20) {
      auto red = std::make_shared<TBitmap>(60, 40);
      red->Canvas().Brush().SetColor(clRed);
      red->Canvas().FillRect(red->ClientRect());
      Lower->Picture().SetGraphic(red);
    }
    Lower->Invalidate();
  };
  timer.SetEnabled(true);
  ShowForm();
  TBitmap spot(20, 20);
  spot.Canvas().Brush().SetColor(clBlue);
  spot.Canvas().FillRect(spot.ClientRect());
  std::atomic<bool> stop{false};
  std::thread copier([&] {
    for (; !stop.load(); std::this_thread::sleep_for(25ms)) Form->CopyToWindow(150, 60, spot);
  });
  const auto end = TClock::now() + 2s;
  while (TClock::now() < end && X->PixelAt(Window(), 20, 20) != clRed) Application.HandleMessage();
  stop = true;
  copier.join();
  EXPECT_GE(ticks, 20);
  EXPECT_EQ(X->PixelAt(Window(), 20, 20), clRed);
  EXPECT_EQ(X->PixelAt(Window(), 155, 65), clBlue);
}

// The window with a 10 ms timer must sleep between ticks rather than poll. The default run is
// short; MIRA_IDLE_SECONDS=60 measures a full minute.
TEST_F(Sdl2FormTest, ten_ms_timer_idles_without_spinning) {
  int fired = 0;
  auto& timer = Form->Add<TTimer>("Timer");
  timer.SetInterval(10);
  timer.OnTimer = [&](TObject*) { ++fired; };
  timer.SetEnabled(true);
  ShowForm();
  const char* env = std::getenv("MIRA_IDLE_SECONDS");
  const double seconds = env ? std::max(1.0, std::atof(env)) : 3.0;
  fired = 0;
  const double cpuBefore = CpuSeconds();
  const auto start = TClock::now();
  const auto end = start + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(seconds));
  while (TClock::now() < end) Application.HandleMessage();
  const double cpu = CpuSeconds() - cpuBefore;
  const double wall = std::chrono::duration<double>(TClock::now() - start).count();
  std::printf("idle window, 10 ms timer: %.3f CPU s in %.1f s (%.2f CPU s per minute), %d ticks\n", cpu, wall,
              cpu * 60.0 / wall, fired);
  EXPECT_LT(cpu, 0.2 * wall) << "a loop that waits for its deadline uses a small fraction of a core";
  EXPECT_GE(fired, static_cast<int>(wall * 100 * 0.25)) << "ticks come about every 10 ms";
  EXPECT_LE(fired, static_cast<int>(wall * 100) + 2) << "never more often than every 10 ms";
}

// No display: opening the backend fails with SDL's reason (the program prints it and ends with 1).
TEST(Sdl2NoDisplayTest, opening_the_backend_without_a_display_fails_with_sdls_reason) {
  // A display number nobody serves.
  int n = 99;
  struct stat st;
  while (n > 40 && stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) == 0) --n;
  ::setenv("DISPLAY", (":" + std::to_string(n)).c_str(), 1);
  const TResult<std::unique_ptr<TBackend>> backend = CreateSdl2Backend();
  EXPECT_FALSE(backend);
  EXPECT_FALSE(backend.Error().empty());

  ::unsetenv("DISPLAY");
  const TResult<void> opened = Application.OpenBackend(CreateSdl2Backend);
  EXPECT_FALSE(opened);
  EXPECT_FALSE(opened.Error().empty());
}
