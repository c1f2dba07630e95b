// SPDX-License-Identifier: MIT
// One private X server per test suite; the suite is skipped only when Xvfb is not installed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "XClient.h"
#include "XvfbServer.h"
#include "graphics/TBitmap.h"

class XvfbSuite : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Server = new TXvfbServer();
    StartError.clear();
    if (!TXvfbServer::FindProgram().empty()) Server->Start(StartError);
  }
  static void TearDownTestSuite() {
    delete Server;
    Server = nullptr;
  }
  // Call first in SetUp. Skips without Xvfb; a server that exists but will not start is a failure.
  void RequireServer() {
    if (TXvfbServer::FindProgram().empty()) GTEST_SKIP() << "Xvfb is not installed; the SDL2 window tests need it";
    ASSERT_TRUE(Server && Server->Running()) << "cannot start Xvfb: " << StartError;
    X = std::make_unique<TXClient>();
    ASSERT_TRUE(X->Connected()) << "cannot connect to " << Server->Display();
  }

  static inline TXvfbServer* Server = nullptr;
  static inline std::string StartError;
  std::unique_ptr<TXClient> X;
};

// A picture of one colour, to put up and read back.
inline TBitmap Filled(int w, int h, TColor color) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) std::fill_n(b.ScanLine(y), w, color);
  return b;
}
