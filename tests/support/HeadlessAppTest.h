// SPDX-License-Identifier: MIT
// A fresh application on a 1000 x 800 headless screen for every test, with black forms to put controls on.
#pragma once

#include <gtest/gtest.h>

#include "backends/headless/HeadlessBackend.h"
#include "components/TApplication.h"
#include "components/TForm.h"

class HeadlessAppTest : public ::testing::Test {
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

  // A black form, not yet shown; the caller gives it its place and size.
  TForm& NewBlackForm() {
    TForm* form = Application.CreateForm<TForm>();
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
