// SPDX-License-Identifier: MIT
// The window's pixels on X servers unlike the usual one: a server that shares no memory with its
// clients (as over a network) and a 16-bit screen, where SDL's own window surface shows the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "Sdl2Backend.h"
#include "XvfbFixture.h"
#include "graphics/TBitmap.h"

namespace {

using namespace std::chrono_literals;

// Presents, copies from another thread, hides and shows again, reading every step back from the
// server. Pure colours only, so a 16-bit screen reads them back unchanged.
void CheckPixelsRoundTrip(TSdl2Backend& backend, TXClient& x, TSdl2Backend::TPixelRoute route) {
  TWindowDesc desc;
  desc.ClientWidth = 120;
  desc.ClientHeight = 80;
  desc.Title = "mira.nol";
  desc.Position = {50, 40};
  const TResult<void> created = backend.CreateWindow(desc);
  ASSERT_TRUE(created) << created.Error();
  EXPECT_EQ(backend.PixelRoute(), route);
  backend.Present(Filled(120, 80, clBlue), {});
  backend.ShowWindow(true);
  const auto settle = [&](std::chrono::milliseconds span) {
    const auto end = TClock::now() + span;
    while (TClock::now() < end) backend.WaitEvents(TClock::now() + 20ms, [](const TBackendEvent&) {});
    backend.WaitUntilShown();
  };
  settle(150ms);
  const unsigned long w = backend.NativeWindow();
  EXPECT_EQ(x.PixelAt(w, 100, 70), clBlue);

  backend.Present(Filled(120, 80, clRed), {Rect(10, 10, 15, 13)});
  settle(30ms);
  EXPECT_EQ(x.PixelAt(w, 10, 10), clRed);
  EXPECT_EQ(x.PixelAt(w, 14, 12), clRed);
  EXPECT_EQ(x.PixelAt(w, 15, 12), clBlue);

  TBitmap patch = Filled(7, 3, clYellow);  // red and green: a swapped pair would read back as aqua
  patch.ScanLine(0)[0] = clWhite;
  std::thread painter([&] { backend.CopyToWindow(60, 30, patch); });
  painter.join();
  settle(30ms);
  EXPECT_EQ(x.PixelAt(w, 60, 30), clWhite);
  EXPECT_EQ(x.PixelAt(w, 66, 32), clYellow);
  EXPECT_EQ(x.PixelAt(w, 67, 32), clBlue);

  backend.ShowWindow(false);
  settle(100ms);
  backend.ShowWindow(true);
  settle(200ms);
  EXPECT_EQ(x.PixelAt(backend.NativeWindow(), 12, 11), clRed);
  EXPECT_EQ(x.PixelAt(backend.NativeWindow(), 60, 30), clWhite);
  EXPECT_EQ(x.PixelAt(backend.NativeWindow(), 100, 70), clBlue);
  backend.DestroyWindow();
}

template <const char* Screen, const char* Extra>
class OtherServerTest : public XvfbSuite {
protected:
  static void SetUpTestSuite() {
    Server = new TXvfbServer();
    StartError.clear();
    std::vector<std::string> extra;
    if (*Extra) extra = {"-extension", Extra};
    if (!TXvfbServer::FindProgram().empty()) Server->Start(StartError, Screen, extra);
  }
  void SetUp() override {
    RequireServer();
    if (IsSkipped() || HasFatalFailure()) return;
    TResult<std::unique_ptr<TSdl2Backend>> created = TSdl2Backend::Create();
    ASSERT_TRUE(created) << created.Error();
    Backend = std::move(created).Value();
  }
  void TearDown() override { Backend.reset(); }
  std::unique_ptr<TSdl2Backend> Backend;
};

constexpr char kUsualScreen[] = "1024x768x24";
constexpr char kSixteenBits[] = "1024x768x16";
constexpr char kNoSharedMemory[] = "MIT-SHM";
constexpr char kNothingOff[] = "";

using Sdl2NoSharedMemoryTest = OtherServerTest<kUsualScreen, kNoSharedMemory>;
using Sdl2SixteenBitTest = OtherServerTest<kSixteenBits, kNothingOff>;

}  // namespace

TEST_F(Sdl2NoSharedMemoryTest, parts_travel_in_the_requests_and_show_as_on_a_local_server) {
  CheckPixelsRoundTrip(*Backend, *X, TSdl2Backend::TPixelRoute::Requests);
}

TEST_F(Sdl2SixteenBitTest, sdls_window_surface_shows_the_same_pixels) {
  CheckPixelsRoundTrip(*Backend, *X, TSdl2Backend::TPixelRoute::SdlSurface);
}
