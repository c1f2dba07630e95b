// SPDX-License-Identifier: MIT
// The SDL2 backend on a private X server: outlines, moves, input, pixels and the wait.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <thread>
#include <utility>

#include "MessageBoxPicture.h"
#include "Sdl2Backend.h"
#include "Sdl2X11.h"
#include "XvfbFixture.h"
#include "graphics/TBitmap.h"
#include "graphics/TRegion.h"

namespace {

using namespace std::chrono_literals;

// Every pixel a list of rectangles covers, to compare outlines whatever their banding.
std::set<std::pair<int, int>> Coverage(const std::vector<TRect>& rects) {
  std::set<std::pair<int, int>> out;
  for (const TRect& r : rects)
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) out.insert({x, y});
  return out;
}

class Sdl2BackendTest : public XvfbSuite {
protected:
  void SetUp() override {
    RequireServer();
    if (IsSkipped() || HasFatalFailure()) return;
    TResult<std::unique_ptr<TSdl2Backend>> created = TSdl2Backend::Create();
    ASSERT_TRUE(created) << created.Error();
    Backend = std::move(created).Value();
  }
  void TearDown() override { Backend.reset(); }

  // A shown window at (100, 80), painted in `color`.
  void OpenWindow(int w = 200, int h = 100, TColor color = clBlack) {
    TWindowDesc desc;
    desc.ClientWidth = w;
    desc.ClientHeight = h;
    desc.Title = "mira.nol";
    desc.Position = {100, 80};
    const TResult<void> created = Backend->CreateWindow(desc);
    ASSERT_TRUE(created) << created.Error();
    Backend->Present(Filled(w, h, color), {});
    Backend->ShowWindow(true);
    Collect(100ms);
  }

  // Runs the wait until `done` holds for what arrived, or `limit` passes; returns what arrived.
  template <class Pred>
  std::vector<TBackendEvent> CollectUntil(Pred done, std::chrono::milliseconds limit = 10000ms) {
    std::vector<TBackendEvent> events;
    const auto end = TClock::now() + limit;
    while (!done(events) && TClock::now() < end)
      Backend->WaitEvents(std::min(end, TClock::now() + 50ms), [&](const TBackendEvent& e) { events.push_back(e); });
    return events;
  }
  std::vector<TBackendEvent> Collect(std::chrono::milliseconds span) {
    return CollectUntil([](const std::vector<TBackendEvent>&) { return false; }, span);
  }

  static std::vector<TBackendEvent> OfKind(const std::vector<TBackendEvent>& events,
                                           std::initializer_list<TBackendEventKind> kinds) {
    std::vector<TBackendEvent> out;
    for (const auto& e : events)
      if (std::find(kinds.begin(), kinds.end(), e.Kind) != kinds.end()) out.push_back(e);
    return out;
  }
  static auto Has(TBackendEventKind kind, size_t count = 1) {
    return [kind, count](const std::vector<TBackendEvent>& events) {
      return static_cast<size_t>(std::count_if(events.begin(), events.end(),
                                               [&](const TBackendEvent& e) { return e.Kind == kind; })) >= count;
    };
  }

  // The window's pixel as the X server has it once everything shown so far is up.
  TColor ShownPixel(int x, int y) {
    Backend->WaitUntilShown();
    return X->PixelAt(Backend->NativeWindow(), x, y);
  }

  std::unique_ptr<TSdl2Backend> Backend;
};

}  // namespace

TEST_F(Sdl2BackendTest, outline_reads_back_from_the_x_server_as_the_same_rectangles) {
  ASSERT_TRUE(Backend->Has(bcWindowShape));
  OpenWindow();
  // An outline with a hole and a detached piece, as a picture's key colour would cut it.
  TRegion region = TRegion(Rect(0, 0, 120, 60)).Subtract(TRegion(Rect(30, 20, 50, 40)));
  region = region.Union(TRegion(Rect(140, 70, 200, 100)));
  Backend->SetWindowRegion(region.Rects());

  bool shaped = false;
  const std::vector<TRect> served = X->ShapeRects(Backend->NativeWindow(), shaped);
  EXPECT_TRUE(shaped);
  EXPECT_EQ(Coverage(served), Coverage(region.Rects()));
  EXPECT_EQ(served, region.Rects()) << "both sides keep rectangles y-x banded, so the lists match too";
  EXPECT_EQ(Backend->WindowRegion(), std::optional(region.Rects()));
}

TEST_F(Sdl2BackendTest, outline_set_before_the_window_is_shown_survives_showing_and_can_be_removed_or_emptied) {
  TWindowDesc desc;
  desc.ClientWidth = 200;
  desc.ClientHeight = 100;
  desc.Title = "mira.nol";
  const TResult<void> created = Backend->CreateWindow(desc);
  ASSERT_TRUE(created) << created.Error();
  const std::vector<TRect> outline{Rect(10, 10, 60, 40)};
  Backend->SetWindowRegion(outline);
  Backend->Present(Filled(200, 100, clWhite), {});
  Backend->ShowWindow(true);
  Collect(100ms);

  bool shaped = false;
  EXPECT_EQ(X->ShapeRects(Backend->NativeWindow(), shaped), outline);
  EXPECT_TRUE(shaped);

  Backend->SetWindowRegion(std::vector<TRect>{});
  EXPECT_TRUE(X->ShapeRects(Backend->NativeWindow(), shaped).empty()) << "an empty outline shows nothing";
  EXPECT_TRUE(shaped);

  Backend->SetWindowRegion(std::nullopt);
  const std::vector<TRect> whole = X->ShapeRects(Backend->NativeWindow(), shaped);
  EXPECT_FALSE(shaped);
  EXPECT_EQ(whole, std::vector<TRect>{Rect(0, 0, 200, 100)});
  EXPECT_EQ(Backend->WindowRegion(), std::nullopt);
}

TEST_F(Sdl2BackendTest, window_lands_where_asked_and_a_centred_one_in_the_middle_of_the_screen) {
  OpenWindow(200, 100);
  EXPECT_EQ(X->WindowOrigin(Backend->NativeWindow()), (TPoint{100, 80}));
  EXPECT_EQ(X->WindowTitle(Backend->NativeWindow()), "mira.nol");

  Backend->SetWindowPos({321, 234});
  EXPECT_EQ(X->WindowOrigin(Backend->NativeWindow()), (TPoint{321, 234}));
  EXPECT_EQ(Backend->WindowPos(), (TPoint{321, 234}));
  Backend->SetWindowPos({-50, 700});  // partly off the screen, as a drag can leave it
  EXPECT_EQ(X->WindowOrigin(Backend->NativeWindow()), (TPoint{-50, 700}));

  Backend->DestroyWindow();
  TWindowDesc desc;
  desc.ClientWidth = 496;
  desc.ClientHeight = 287;
  desc.Position = {5, 5};
  desc.Centered = true;
  const TResult<void> created = Backend->CreateWindow(desc);
  ASSERT_TRUE(created) << created.Error();
  Backend->ShowWindow(true);
  EXPECT_EQ(Backend->ScreenSize(), (TPoint{1024, 768}));
  EXPECT_EQ(X->WindowOrigin(Backend->NativeWindow()), (TPoint{(1024 - 496) / 2, (768 - 287) / 2}));
}

TEST_F(Sdl2BackendTest, window_icon_given_before_the_window_reaches_the_x_server_in_every_size) {
  // Two pictures with different pixels in each corner, so a swapped channel, a flipped row or a
  // lost size shows.
  TIconPicture small{2, 2, {0xff112233u, 0x80445566u, 0x00778899u, 0xffaabbccu}};
  TIconPicture large{3, 1, {0xffff0000u, 0xff00ff00u, 0x7f0000ffu}};
  Backend->SetWindowIcon({small, large});
  OpenWindow();
  Backend->WaitUntilShown();
  const std::vector<uint32_t> expected{2, 2, 0xff112233u, 0x80445566u, 0x00778899u, 0xffaabbccu,
                                       3, 1, 0xffff0000u, 0xff00ff00u, 0x7f0000ffu};
  EXPECT_EQ(X->WindowIcon(Backend->NativeWindow()), expected);

  // A new icon replaces the old one on the window that is up; a picture whose pixels do not match
  // its size is left out rather than read past its end.
  TIconPicture broken{4, 4, {0xffffffffu}};
  Backend->SetWindowIcon({broken, small});
  // The property goes out without waiting; this connection reads it once the server has it.
  Backend->WaitUntilShown();
  EXPECT_EQ(X->WindowIcon(Backend->NativeWindow()),
            (std::vector<uint32_t>{2, 2, 0xff112233u, 0x80445566u, 0x00778899u, 0xffaabbccu}));
}

TEST_F(Sdl2BackendTest, pointer_press_injected_by_xtest_arrives_in_window_coordinates) {
  OpenWindow();
  X->MovePointer(100 + 20, 80 + 30);
  X->Click(1);
  X->MovePointer(100 + 25, 80 + 31);
  X->Click(3);
  const auto events = OfKind(CollectUntil(Has(TBackendEventKind::PointerUp, 2)),
                             {TBackendEventKind::PointerDown, TBackendEventKind::PointerUp});
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].Kind, TBackendEventKind::PointerDown);
  EXPECT_EQ(events[0].Button, TMouseButton::mbLeft);
  EXPECT_EQ((TPoint{events[0].X, events[0].Y}), (TPoint{20, 30}));
  EXPECT_EQ(events[0].Shift.Bits(), 8) << "the left button is bit 3 of the shift state";
  EXPECT_EQ(events[1].Kind, TBackendEventKind::PointerUp);
  EXPECT_TRUE(events[1].Shift.Empty());
  EXPECT_EQ(events[2].Button, TMouseButton::mbRight);
  EXPECT_EQ((TPoint{events[2].X, events[2].Y}), (TPoint{25, 31}));
  EXPECT_TRUE(events[2].Shift.Contains(ssRight));
  EXPECT_EQ(Backend->PointerScreenPos(), (TPoint{125, 111}));
}

// Dragging the window reads the pointer's screen position on every step, often before the loop
// has seen the motion that moved it.
TEST_F(Sdl2BackendTest, pointer_screen_position_is_current_without_waiting_for_events) {
  OpenWindow();
  X->MovePointer(150, 100);
  Collect(50ms);
  EXPECT_EQ(Backend->PointerScreenPos(), (TPoint{150, 100}));
  X->MovePointer(170, 110);
  EXPECT_EQ(Backend->PointerScreenPos(), (TPoint{170, 110}));
  X->MovePointer(900, 700);  // far outside the window
  EXPECT_EQ(Backend->PointerScreenPos(), (TPoint{900, 700}));
}

TEST_F(Sdl2BackendTest, press_after_the_window_moved_under_a_still_pointer_reports_the_new_position) {
  OpenWindow();
  X->MovePointer(150, 100);
  Collect(50ms);
  Backend->SetWindowPos({140, 90});
  X->Click(1);
  const auto presses = OfKind(CollectUntil(Has(TBackendEventKind::PointerUp)), {TBackendEventKind::PointerDown});
  ASSERT_EQ(presses.size(), 1u);
  EXPECT_EQ((TPoint{presses[0].X, presses[0].Y}), (TPoint{10, 10}));
}

TEST_F(Sdl2BackendTest, second_quick_press_is_a_double_click_and_a_third_starts_over) {
  OpenWindow();
  X->MovePointer(150, 100);
  for (int i = 0; i < 3; ++i) X->Click(1);
  const auto presses = OfKind(CollectUntil(Has(TBackendEventKind::PointerUp, 3)),
                              {TBackendEventKind::PointerDown, TBackendEventKind::PointerDblClick});
  ASSERT_EQ(presses.size(), 3u);
  EXPECT_EQ(presses[0].Kind, TBackendEventKind::PointerDown);
  EXPECT_EQ(presses[1].Kind, TBackendEventKind::PointerDblClick);
  EXPECT_TRUE(presses[1].Shift.Contains(ssDouble));
  EXPECT_TRUE(presses[1].Shift.Contains(ssLeft));
  EXPECT_EQ(presses[2].Kind, TBackendEventKind::PointerDown);
}

TEST_F(Sdl2BackendTest, captured_pointer_keeps_reporting_outside_the_window_until_released) {
  OpenWindow();
  X->MovePointer(150, 100);
  X->Button(1, true);
  CollectUntil(Has(TBackendEventKind::PointerDown));
  Backend->CapturePointer(true);
  X->MovePointer(600, 500);
  X->Button(1, false);
  const auto events = CollectUntil(Has(TBackendEventKind::PointerUp));
  Backend->CapturePointer(false);
  auto moves = OfKind(events, {TBackendEventKind::PointerMove});
  ASSERT_FALSE(moves.empty()) << events.size() << " events, none a move";
  EXPECT_EQ((TPoint{moves.back().X, moves.back().Y}), (TPoint{500, 420}));
  EXPECT_TRUE(moves.back().Shift.Contains(ssLeft));
  auto ups = OfKind(events, {TBackendEventKind::PointerUp});
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ((TPoint{ups[0].X, ups[0].Y}), (TPoint{500, 420}));

  // Without capture, a pointer out there is none of the window's business.
  X->MovePointer(700, 600);
  X->Click(1);
  EXPECT_TRUE(OfKind(Collect(200ms), {TBackendEventKind::PointerMove, TBackendEventKind::PointerUp}).empty());
}

TEST_F(Sdl2BackendTest, enter_and_space_arrive_as_characters_13_and_32_each_once) {
  OpenWindow();
  X->MovePointer(150, 100);
  X->Focus(Backend->NativeWindow());
  Collect(50ms);
  X->Key("Return");
  X->Key("space");
  X->Key("a");
  X->Key("Down");
  const auto events =
      OfKind(CollectUntil(Has(TBackendEventKind::KeyUp, 4)), {TBackendEventKind::KeyDown, TBackendEventKind::Char});
  std::vector<std::pair<char, uint32_t>> seen;
  for (const auto& e : events)
    seen.push_back(e.Kind == TBackendEventKind::KeyDown ? std::pair{'k', uint32_t(e.Key)} : std::pair{'c', e.Char});
  const std::vector<std::pair<char, uint32_t>> expected{{'k', 13},  {'c', 13},  {'k', 32}, {'c', 32},
                                                        {'k', 'A'}, {'c', 'a'}, {'k', 40}};
  EXPECT_EQ(seen, expected);
}

TEST_F(Sdl2BackendTest, present_sends_only_the_changed_rectangles) {
  OpenWindow(200, 100, clBlue);
  EXPECT_EQ(Backend->PixelRoute(), TSdl2Backend::TPixelRoute::SharedMemory) << "the usual local server shares memory";
  EXPECT_EQ(ShownPixel(150, 80), clBlue);
  TBitmap frame = Filled(200, 100, clLime);
  Backend->Present(frame, {Rect(10, 10, 30, 20)});
  EXPECT_EQ(ShownPixel(15, 15), clLime);
  EXPECT_EQ(ShownPixel(29, 19), clLime);
  EXPECT_EQ(ShownPixel(30, 15), clBlue) << "outside the changed part";
  EXPECT_EQ(ShownPixel(150, 80), clBlue);
}

// Changes reach the server in frames; a change made between turns must not wait for a turn that
// never comes, and the wait must not end early for it either.
TEST_F(Sdl2BackendTest, a_change_reaches_the_server_within_a_frame_while_the_loop_sleeps) {
  OpenWindow(200, 100, clBlack);
  Collect(100ms);
  // A frame has just gone out, so this change has to wait for the next one.
  Backend->WaitUntilShown();
  Backend->Present(Filled(200, 100, clRed), {Rect(10, 10, 60, 40)});
  const auto start = TClock::now();
  Backend->WaitEvents(start + 150ms, [](auto&) {});
  EXPECT_GE(TClock::now() - start, 150ms);
  // Read without WaitUntilShown, which would send it.
  EXPECT_EQ(X->PixelAt(Backend->NativeWindow(), 20, 20), clRed);
  EXPECT_EQ(X->PixelAt(Backend->NativeWindow(), 100, 80), clBlack);
}

TEST_F(Sdl2BackendTest, window_shown_again_after_hiding_shows_what_was_last_presented) {
  OpenWindow(200, 100, clBlue);
  Backend->Present(Filled(200, 100, clLime), {Rect(0, 0, 50, 50)});
  Backend->ShowWindow(false);
  Collect(100ms);
  Backend->ShowWindow(true);
  Collect(200ms);
  EXPECT_EQ(ShownPixel(10, 10), clLime);
  EXPECT_EQ(ShownPixel(49, 49), clLime);
  EXPECT_EQ(ShownPixel(150, 80), clBlue);
}

TEST_F(Sdl2BackendTest, copy_from_another_thread_shows_up_without_a_present) {
  OpenWindow(200, 100, clBlack);
  TBitmap patch = Filled(20, 10, clRed);
  patch.ScanLine(0)[0] = clLime;
  std::thread painter([&] {
    std::this_thread::sleep_for(100ms);
    Backend->CopyToWindow(190, 50, patch);  // hangs over the right edge: clipped
  });
  const auto start = TClock::now();
  Backend->WaitEvents(start + 5s, [](const TBackendEvent&) {});
  const auto waited = TClock::now() - start;
  painter.join();
  // The copy may land while the wait is still settling in; one more turn shows it then.
  if (ShownPixel(195, 55) != clRed) Backend->WaitEvents(TClock::now() + 200ms, [](auto&) {});
  EXPECT_LT(waited, 2s) << "the copy wakes the message loop";
  EXPECT_EQ(ShownPixel(190, 50), clLime);
  EXPECT_EQ(ShownPixel(199, 59), clRed);
  EXPECT_EQ(ShownPixel(189, 50), clBlack);
  EXPECT_EQ(ShownPixel(195, 60), clBlack);

  // An indexed bitmap (bottom-up rows) lands the right way up.
  TBitmap indexed(2, 2, pf8bit);
  indexed.Palette()[1] = clBlue;
  indexed.Palette()[2] = clWhite;
  indexed.Bits()[0] = 1;                 // bottom row
  indexed.Bits()[indexed.Stride()] = 2;  // top row
  Backend->CopyToWindow(0, 0, indexed);
  Backend->WaitEvents(TClock::now(), [](auto&) {});
  EXPECT_EQ(ShownPixel(0, 0), clWhite);
  EXPECT_EQ(ShownPixel(0, 1), clBlue);
}

TEST_F(Sdl2BackendTest, copy_after_the_window_is_gone_is_harmless) {
  OpenWindow();
  Backend->DestroyWindow();
  Backend->CopyToWindow(0, 0, Filled(5, 5, clRed));
  Backend->Wake();
  Backend->WaitEvents(TClock::now() + 10ms, [](auto&) {});
  EXPECT_FALSE(Backend->HasWindow());
}

TEST_F(Sdl2BackendTest, wait_sleeps_until_the_deadline_and_a_wake_from_another_thread_ends_it_early) {
  OpenWindow();
  Collect(100ms);
  auto start = TClock::now();
  Backend->WaitEvents(start + 120ms, [](auto&) {});
  auto waited = TClock::now() - start;
  EXPECT_GE(waited, 120ms);
  EXPECT_LT(waited, 400ms);

  std::thread waker([&] {
    std::this_thread::sleep_for(100ms);
    Backend->Wake();
  });
  start = TClock::now();
  Backend->WaitEvents(std::nullopt, [](auto&) {});
  waited = TClock::now() - start;
  waker.join();
  EXPECT_LT(waited, 3s);
}

// The box is modal, centred, titled and answerable every way a user closes a box, time after
// time; input meant for the window meanwhile is dropped, and a press held when the box opened is
// let go of afterwards.
TEST_F(Sdl2BackendTest, message_box_is_centred_modal_and_closes_each_way_twenty_times) {
  OpenWindow();
  // A handler fails in the middle of a drag: the window still holds the pointer.
  X->MovePointer(150, 100);
  X->Button(1, true);
  CollectUntil(Has(TBackendEventKind::PointerDown));
  Backend->CapturePointer(true);
  ASSERT_FALSE(X->PointerFree());

  const unsigned long window = Backend->NativeWindow();
  TXClient user;
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::atomic<bool> dismissed{false};
    std::string title, wmClass;
    TRect box{};
    bool pointerFree = false;
    std::thread userThread([&] {
      for (int i = 0; i < 100 && !dismissed; ++i) {
        std::this_thread::sleep_for(30ms);
        const std::vector<unsigned long> others = user.OtherMappedWindows(window);
        if (others.empty()) continue;
        const unsigned long w = others.front();
        title = user.WindowTitle(w);
        wmClass = user.WindowClass(w);
        box = user.WindowRect(w);
        if (round == 0) {
          pointerFree = user.PointerFree();
          // A click on the window beside the box goes nowhere.
          user.MovePointer(110, 90);
          user.Click();
        }
        switch (round % 5) {
          case 0: user.Focus(w), user.Key("Return"); break;
          case 1: user.Focus(w), user.Key("Escape"); break;
          case 2: user.Focus(w), user.Key("KP_Enter"); break;
          case 3:
            // OK lies in the middle of the box's bottom row.
            user.MovePointer(box.Left + box.Width() / 2,
                             box.Bottom - TMessageBoxPicture::kMargin - TMessageBoxPicture::kButtonHeight / 2);
            user.Click();
            break;
          default: user.RequestClose(w); break;
        }
        return;
      }
    });
    const auto shown = TClock::now();
    std::thread guard([&] {
      // A box nobody could close would hang the suite: end it the way a signal would.
      for (int i = 0; i < 100 && !dismissed; ++i) std::this_thread::sleep_for(50ms);
      if (!dismissed) Backend->WakeToEnd();
    });
    Backend->ShowMessageBox("mira.nol", "Cannot find data\\play.lst! Terminating application...");
    dismissed = true;
    const auto took = TClock::now() - shown;
    userThread.join();
    guard.join();
    ASSERT_LT(took, 4500ms) << "the box did not close";
    EXPECT_EQ(title, "mira.nol");
    EXPECT_FALSE(wmClass.empty() || wmClass == "/");
    EXPECT_NEAR(box.Left + box.Width() / 2, 512, 1);
    EXPECT_NEAR(box.Top + box.Height() / 2, 384, 1);
    if (round == 0) {
      EXPECT_TRUE(pointerFree) << "the box must be able to take clicks";
      X->Button(1, false);
      const auto events = Collect(200ms);
      EXPECT_TRUE(OfKind(events, {TBackendEventKind::PointerDown, TBackendEventKind::PointerDblClick}).empty())
          << "a click on the window while the box was up reached it";
      EXPECT_EQ(OfKind(events, {TBackendEventKind::PointerUp}).size(), 1u)
          << "the press held when the box opened is let go of once";
    }
  }
}

TEST_F(Sdl2BackendTest, a_request_to_end_closes_a_message_box_and_ends_every_wait) {
  OpenWindow();
  std::thread signaller([&] {
    std::this_thread::sleep_for(300ms);
    Backend->WakeToEnd();
  });
  const auto start = TClock::now();
  Backend->ShowMessageBox("mira.nol", "A box nobody answers");
  signaller.join();
  EXPECT_LT(TClock::now() - start, 2s);
  // From now on no wait waits.
  const auto again = TClock::now();
  Backend->WaitEvents(std::nullopt, [](auto&) {});
  Backend->ShowMessageBox("mira.nol", "Not shown at all");
  EXPECT_LT(TClock::now() - again, 200ms);
}

TEST_F(Sdl2BackendTest, a_window_another_client_destroys_arrives_as_a_close_request) {
  OpenWindow();
  X->Destroy(Backend->NativeWindow());
  const auto events = CollectUntil(Has(TBackendEventKind::Close));
  EXPECT_EQ(OfKind(events, {TBackendEventKind::Close}).size(), 1u);
  EXPECT_FALSE(Backend->ConnectionLost());
  // Taking the window down afterwards neither hangs nor ends the program on an X error.
  Backend->DestroyWindow();
  EXPECT_FALSE(Backend->HasWindow());
}

// The X server goes away under a window and under a message box. Each case runs in a process of
// its own: SDL cannot be taken down after its connection is lost, so nothing after it could use SDL.
class Sdl2LostConnectionTest : public Sdl2BackendTest {
protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Sdl2BackendTest::SetUp();
  }
};

TEST_F(Sdl2LostConnectionTest, a_lost_server_ends_the_wait_and_the_window_goes_without_hanging) {
  EXPECT_EXIT(
      {
        OpenWindow();
        Server->Stop();
        const auto start = TClock::now();
        while (!Backend->ConnectionLost() && TClock::now() - start < 5s)
          Backend->WaitEvents(TClock::now() + 1s, [](auto&) {});
        if (!Backend->ConnectionLost()) std::_Exit(2);
        // Nothing waits on a dead connection: not a wait, not a box, not taking it all down.
        Backend->WaitEvents(std::nullopt, [](auto&) {});
        Backend->ShowMessageBox("mira.nol", "never shown");
        Backend.reset();
        std::_Exit(TClock::now() - start < 4s ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Sdl2LostConnectionTest, a_lost_server_closes_a_message_box_that_is_up) {
  EXPECT_EXIT(
      {
        OpenWindow();
        std::thread killer([&] {
          std::this_thread::sleep_for(500ms);
          Server->Stop();
        });
        const auto start = TClock::now();
        Backend->ShowMessageBox("mira.nol", "The server goes away under this box");
        killer.join();
        const bool lost = Backend->ConnectionLost();
        Backend.reset();
        std::_Exit(lost && TClock::now() - start < 4s ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

// Xlib's modifier map, declared here: Xlib's header would clash with the test framework's names.
struct TModifierMap {
  int KeysPerModifier;
  unsigned char* Keys;
};
extern "C" TModifierMap* XGetModifierMapping(_XDisplay* display);
extern "C" int XFreeModifiermap(TModifierMap* map);

// Leaves the stack below the caller full of a pattern, so that a reply Xlib never received is not
// read from zeroes that happen to look like an empty map.
[[gnu::noinline]] void ScribbleOnTheStack() {
  volatile unsigned char scratch[16384];
  for (unsigned char& byte : const_cast<unsigned char(&)[16384]>(scratch)) byte = 0xA5;
}

// SDL takes in the window's focus with a question about the pointer and then one about the
// modifier map, whose answer it reads unchecked. A server lost between the two must leave it a map
// to read, not a crash.
TEST_F(Sdl2LostConnectionTest, after_the_loss_the_modifier_map_is_empty_not_missing) {
  EXPECT_EXIT(
      {
        OpenWindow();
        _XDisplay* display = nullptr;
        for (Uint32 id = 1; id < 64 && !display; ++id) {
          _XDisplay* its = nullptr;
          if (X11WindowOf(SDL_GetWindowFromID(id), &its) != Backend->NativeWindow()) its = nullptr;
          display = its;
        }
        if (!display) std::_Exit(2);
        Server->Stop();
        const auto start = TClock::now();
        while (!Backend->ConnectionLost() && TClock::now() - start < 5s)
          Backend->WaitEvents(TClock::now() + 1s, [](auto&) {});
        if (!Backend->ConnectionLost()) std::_Exit(3);
        for (int round = 0; round < 10; ++round) {
          ScribbleOnTheStack();
          TModifierMap* map = XGetModifierMapping(display);
          if (!map || map->KeysPerModifier != 0) std::_Exit(4);
          XFreeModifiermap(map);
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

// Should the program never get as far as taking its window down after the loss (stuck in a wait
// inside Xlib or SDL that a dead connection never ends), it still ends, with status 1.
TEST_F(Sdl2LostConnectionTest, a_program_stuck_after_the_loss_is_ended_with_status_1) {
  EXPECT_EXIT(
      {
        OpenWindow();
        Server->Stop();
        const auto start = TClock::now();
        while (!Backend->ConnectionLost() && TClock::now() - start < 5s)
          Backend->WaitEvents(TClock::now() + 1s, [](auto&) {});
        // Stuck: the backend is never taken down.
        std::this_thread::sleep_for(10s);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(1), "");
}
