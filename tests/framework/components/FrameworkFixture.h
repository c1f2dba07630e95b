// SPDX-License-Identifier: MIT
// A fresh application on the headless backend for every test, and a shown form to put controls on.
#pragma once

#include <gtest/gtest.h>

#include "backends/headless/HeadlessBackend.h"
#include "components/TApplication.h"
#include "components/TForm.h"

class FrameworkTest : public ::testing::Test {
protected:
  void SetUp() override {
    Application.Reset();
    auto backend = std::make_unique<THeadlessBackend>(TPoint{1000, 800});
    FScreen = backend.get();
    Application.SetBackend(std::move(backend));
    Application.SetTitle("mira.nol");
  }
  void TearDown() override { Application.Reset(); }

  THeadlessBackend& Screen() { return *FScreen; }

  // A black 200 x 100 form, not yet shown.
  TForm& NewForm(int width = 200, int height = 100) {
    TForm* form = Application.CreateForm<TForm>();
    form->SetClientSize(width, height);
    form->SetColor(clBlack);
    return *form;
  }
  // Shows the form and lets the loop paint and activate it.
  void ShowAndPump(TForm& form) {
    form.Show();
    Screen().Pump();
  }

private:
  THeadlessBackend* FScreen = nullptr;
};
