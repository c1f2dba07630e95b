// SPDX-License-Identifier: MIT
// A fresh application on the headless backend for every test of the skin controls.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "backends/headless/HeadlessBackend.h"
#include "components/TApplication.h"
#include "components/TForm.h"

class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Application.Reset();
    auto backend = std::make_unique<THeadlessBackend>(TPoint{1000, 800});
    FScreen = backend.get();
    Application.SetBackend(std::move(backend));
    Application.SetTitle("mira.nol");
    // Every test is a fresh process as far as the window-outline marker goes.
    unsetenv("vexol");
  }
  void TearDown() override { Application.Reset(); }

  THeadlessBackend& Screen() { return *FScreen; }

  // A black form of the given client size at (100, 100), not yet shown.
  TForm& NewForm(int width = 200, int height = 100) {
    TForm* form = Application.CreateForm<TForm>();
    form->SetBounds(100, 100, width, height);
    form->SetColor(clBlack);
    return *form;
  }
  void ShowAndPump(TForm& form) {
    form.Show();
    Screen().Pump();
  }

private:
  THeadlessBackend* FScreen = nullptr;
};
