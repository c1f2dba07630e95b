// SPDX-License-Identifier: MIT
// An example form on the real window: a picture, a clock label, a list and a timer.
//
// Drag the picture to move the window; double-click a line (or press Enter) to show it in a
// message box; Escape or the window's close request quits.
#include <cstdio>
#include <memory>
#include <string>

#include "Sdl2Backend.h"
#include "components/TApplication.h"
#include "components/TCustomListBox.h"
#include "components/TImage.h"
#include "components/TLabel.h"
#include "components/TTimer.h"

namespace {
// A picture drawn in code, so the example needs no files: colour bands with a white outside,
// which becomes the window's outline.
std::shared_ptr<TBitmap> MakeBackdrop(int w, int h) {
  auto bitmap = std::make_shared<TBitmap>(w, h, pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bitmap->SetPixel(x, y, RGB(uint8_t(17 + x / 3), uint8_t(26 + y / 2), 32));
  return bitmap;
}

class TDemoForm : public TForm {
public:
  explicit TDemoForm(TComponent* owner) : TForm(owner) {
    SetClientSize(360, 220);
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetColor(clBlack);

    Backdrop = &Add<TImage>("Image_Backdrop");
    Backdrop->SetBounds(0, 0, 360, 220);
    Backdrop->Picture().SetGraphic(MakeBackdrop(360, 220));
    Backdrop->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
      DragFrom = Application.CursorPos();
    };
    Backdrop->OnMouseMove = [this](TObject*, TShiftState shift, int, int) { DragWindow(shift); };

    Clock = &Add<TLabel>("Label_Clock");
    Clock->SetLeft(16);
    Clock->SetTop(12);
    Clock->Font().SetName("Arial Black");
    Clock->Font().SetHeight(-16);
    Clock->Font().SetColor(RGB(255, 114, 0));
    Clock->SetTransparent(true);
    Clock->SetCaption("00:00");

    Tracks = &Add<TCustomListBox>("List_Tracks");
    Tracks->SetBounds(16, 48, 328, 156);
    Tracks->SetBorderStyle(bsNone);
    Tracks->SetStyle(lbOwnerDrawFixed);
    Tracks->SetItemHeight(16);
    Tracks->Brush().SetColor(clBlack);
    Tracks->Font().SetName("Arial");
    Tracks->Font().SetHeight(-11);
    Tracks->Font().SetColor(RGB(255, 114, 0));
    Tracks->OnDrawItem = [this](TObject*, int index, const TRect& rect, TOwnerDrawState state) {
      TCanvas& canvas = Tracks->Canvas();
      const bool selected = (state & odSelected) != 0;
      canvas.Brush().SetColor(selected ? RGB(255, 114, 0) : (index % 2 ? RGB(24, 24, 24) : clBlack));
      canvas.Font().SetColor(selected ? clBlack : RGB(255, 114, 0));
      canvas.FillRect(rect);
      canvas.TextOut(rect.Left + 4, rect.Top + 1, Tracks->Items()[index]);
    };
    Tracks->OnDblClick = [this](TObject*) { ShowSelected(); };
    Tracks->OnKeyPress = [this](TObject*, char& key) {
      if (key == 13 || key == 32) ShowSelected();
      if (key == 27) Close();
    };

    Ticker = &Add<TTimer>("Timer");
    Ticker->SetInterval(1000);
    Ticker->OnTimer = [this](TObject*) {
      ++Seconds;
      char text[16];
      std::snprintf(text, sizeof text, "%02d:%02d", Seconds / 60, Seconds % 60);
      Clock->SetCaption(text);
    };

    OnCreate = [this](TObject*) {
      for (int i = 1; i <= 30; ++i) Tracks->Items().Add("Track " + std::to_string(i) + " - an example line");
      Tracks->SetItemIndex(0);
    };
  }

private:
  void DragWindow(TShiftState shift) {
    if (!shift.Contains(ssLeft)) return;
    const TPoint p = Application.CursorPos();
    SetLeft(Left() + (p.X - DragFrom.X));
    SetTop(Top() + (p.Y - DragFrom.Y));
    DragFrom = p;
  }
  void ShowSelected() {
    if (Tracks->ItemIndex() >= 0) Application.MessageBox(Tracks->Items()[Tracks->ItemIndex()]);
  }

  TImage* Backdrop = nullptr;
  TLabel* Clock = nullptr;
  TCustomListBox* Tracks = nullptr;
  TTimer* Ticker = nullptr;
  TPoint DragFrom;
  int Seconds = 0;
};
}  // namespace

int main() {
  if (TResult<void> opened = Application.OpenBackend(CreateSdl2Backend); !opened) {
    std::fprintf(stderr, "framework demo: cannot open a window: %s\n", opened.Error().c_str());
    return 1;
  }
  Application.HandleEndSignals();
  Application.Initialize();
  Application.SetTitle("mira.nol framework demo");
  Application.CreateForm<TDemoForm>();
  const int status = Application.Run();
  Application.Shutdown();
  return status;
}
