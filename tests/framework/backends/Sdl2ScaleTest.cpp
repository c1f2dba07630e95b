// SPDX-License-Identifier: MIT
// The SDL2 window at scale 2 on a private X server: twice the size on the screen, every pixel a
// 2 x 2 block, and everything the framework sees (events, places, outline) at the window's own size.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "Sdl2Backend.h"
#include "XvfbFixture.h"
#include "graphics/TBitmap.h"

namespace {

using namespace std::chrono_literals;

class Sdl2ScaleTest : public XvfbSuite {
protected:
  void SetUp() override {
    RequireServer();
    if (IsSkipped() || HasFatalFailure()) return;
    setenv("MIRA_SCALE", "2", 1);
    TResult<std::unique_ptr<TSdl2Backend>> created = TSdl2Backend::Create();
    unsetenv("MIRA_SCALE");
    ASSERT_TRUE(created) << created.Error();
    Backend = std::move(created).Value();
    ASSERT_EQ(Backend->Scale(), 2);
    // A 200 x 100 window at (50, 40), shown on the screen at (100, 80) and 400 x 200 large.
    TWindowDesc desc;
    desc.ClientWidth = 200;
    desc.ClientHeight = 100;
    desc.Title = "mira.nol";
    desc.Position = {50, 40};
    ASSERT_TRUE(Backend->CreateWindow(desc));
    Backend->Present(Filled(200, 100, clBlack), {});
    Backend->ShowWindow(true);
    Collect(100ms);
  }
  void TearDown() override { Backend.reset(); }

  // Runs the wait for `span`, or until `count` events of kind `until` arrived; returns what arrived.
  std::vector<TBackendEvent> Collect(std::chrono::milliseconds span, TBackendEventKind until = TBackendEventKind::Close,
                                     long count = 1) {
    std::vector<TBackendEvent> events;
    const auto end = TClock::now() + span;
    while (TClock::now() < end &&
           std::count_if(events.begin(), events.end(), [&](const TBackendEvent& e) { return e.Kind == until; }) < count)
      Backend->WaitEvents(std::min(end, TClock::now() + 50ms), [&](const TBackendEvent& e) { events.push_back(e); });
    return events;
  }

  // The four screen pixels of window pixel (x, y), which must agree.
  TColor ShownBlock(int x, int y) {
    Backend->WaitUntilShown();
    const TColor c = X->PixelAt(Backend->NativeWindow(), 2 * x, 2 * y);
    for (const auto& [i, j] : {std::pair{1, 0}, {0, 1}, {1, 1}})
      EXPECT_EQ(X->PixelAt(Backend->NativeWindow(), 2 * x + i, 2 * y + j), c)
          << "window pixel (" << x << ", " << y << ") is no single block";
    return c;
  }

  std::unique_ptr<TSdl2Backend> Backend;
};

}  // namespace

TEST_F(Sdl2ScaleTest, window_shows_twice_the_size_and_presents_and_copies_change_only_their_blocks) {
  EXPECT_EQ(X->WindowRect(Backend->NativeWindow()), (TRect{100, 80, 500, 280}));

  // A frame changed in one part: only that part, in blocks, on the screen.
  TBitmap frame = Filled(200, 100, clLime);
  frame.ScanLine(15)[13] = clRed;
  Backend->Present(frame, {Rect(10, 10, 30, 20)});
  EXPECT_EQ(ShownBlock(10, 10), clLime);
  EXPECT_EQ(ShownBlock(13, 15), clRed);
  EXPECT_EQ(ShownBlock(29, 19), clLime);
  EXPECT_EQ(ShownBlock(30, 15), clBlack) << "outside the changed part";
  EXPECT_EQ(ShownBlock(199, 99), clBlack);

  // Copies from another thread, 32-bit and indexed (bottom-up rows), clipped at the right edge.
  TBitmap patch = Filled(20, 10, clBlue);
  patch.ScanLine(0)[0] = clYellow;
  TBitmap indexed(2, 2, pf8bit);
  indexed.Palette()[1] = clFuchsia;
  indexed.Palette()[2] = clWhite;
  indexed.Bits()[0] = 1;                 // bottom row
  indexed.Bits()[indexed.Stride()] = 2;  // top row
  std::thread painter([&] {
    Backend->CopyToWindow(190, 50, patch);
    Backend->CopyToWindow(100, 0, indexed);
  });
  painter.join();
  Collect(100ms);
  EXPECT_EQ(ShownBlock(190, 50), clYellow);
  EXPECT_EQ(ShownBlock(199, 59), clBlue);
  EXPECT_EQ(ShownBlock(189, 50), clBlack);
  EXPECT_EQ(ShownBlock(100, 0), clWhite);
  EXPECT_EQ(ShownBlock(100, 1), clFuchsia);
  EXPECT_EQ(ShownBlock(102, 0), clBlack);
}

TEST_F(Sdl2ScaleTest, pointer_and_window_places_are_counted_in_window_pixels) {
  // Both screen pixels of a block are the same window pixel.
  X->MovePointer(100 + 41, 80 + 61);
  X->Click(1);
  X->MovePointer(100 + 40, 80 + 60);
  X->Click(3);
  std::vector<TBackendEvent> presses;
  for (const TBackendEvent& e : Collect(5s, TBackendEventKind::PointerUp, 2))
    if (e.Kind == TBackendEventKind::PointerDown) presses.push_back(e);
  ASSERT_EQ(presses.size(), 2u);
  EXPECT_EQ((TPoint{presses[0].X, presses[0].Y}), (TPoint{20, 30}));
  EXPECT_EQ((TPoint{presses[1].X, presses[1].Y}), (TPoint{20, 30}));
  EXPECT_EQ(presses[1].Button, TMouseButton::mbRight);

  // The pointer's screen place less the window's is its place in the window, as the sliders count.
  EXPECT_EQ(Backend->WindowPos(), (TPoint{50, 40}));
  const TPoint p = Backend->PointerScreenPos();
  EXPECT_EQ((TPoint{p.X - 50, p.Y - 40}), (TPoint{20, 30}));
  EXPECT_EQ(Backend->ScreenSize(), (TPoint{512, 384}));

  // A move by whole window pixels moves by whole blocks; setting the place read leaves it there.
  Backend->SetWindowPos({60, 35});
  EXPECT_EQ(X->WindowOrigin(Backend->NativeWindow()), (TPoint{120, 70}));
  Backend->SetWindowPos(Backend->WindowPos());
  EXPECT_EQ(X->WindowOrigin(Backend->NativeWindow()), (TPoint{120, 70}));
  X->MovePointer(120 + 2 * 7 + 1, 70 + 2 * 9);
  const TPoint q = Backend->PointerScreenPos();
  EXPECT_EQ((TPoint{q.X - Backend->WindowPos().X, q.Y - Backend->WindowPos().Y}), (TPoint{7, 9}));

  // Captured, a pointer left of and above the window is there, not on its first column and row.
  X->MovePointer(120 + 10, 70 + 10);
  X->Button(1, true);
  Collect(2s, TBackendEventKind::PointerDown);
  Backend->CapturePointer(true);
  X->MovePointer(120 - 1, 70 - 3);
  X->Button(1, false);
  const auto events = Collect(5s, TBackendEventKind::PointerUp);
  Backend->CapturePointer(false);
  const auto up = std::find_if(events.begin(), events.end(),
                               [](const TBackendEvent& e) { return e.Kind == TBackendEventKind::PointerUp; });
  ASSERT_NE(up, events.end());
  EXPECT_EQ((TPoint{up->X, up->Y}), (TPoint{-1, -2}));
}
