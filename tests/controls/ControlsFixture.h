// SPDX-License-Identifier: MIT
// A fresh application on the headless backend for every test of the skin controls.
#pragma once

#include <cstdlib>

#include "support/HeadlessAppTest.h"

class ControlsTest : public HeadlessAppTest {
protected:
  void SetUp() override {
    HeadlessAppTest::SetUp();
    // Every test is a fresh process as far as the window-outline marker goes.
    unsetenv("vexol");
  }

  // A black form of the given client size at (100, 100), not yet shown.
  TForm& NewForm(int width = 200, int height = 100) {
    TForm& form = NewBlackForm();
    form.SetBounds(100, 100, width, height);
    return form;
  }
};
