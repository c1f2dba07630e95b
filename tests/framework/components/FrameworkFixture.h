// SPDX-License-Identifier: MIT
// A fresh application on the headless backend for every test, and a form to put controls on.
#pragma once

#include "support/HeadlessAppTest.h"

class FrameworkTest : public HeadlessAppTest {
protected:
  // A black form with a client area of the given size, not yet shown.
  TForm& NewForm(int width = 200, int height = 100) {
    TForm& form = NewBlackForm();
    form.SetClientSize(width, height);
    return form;
  }
};
