// SPDX-License-Identifier: MIT
// The plain picture control.
#include "components/TImage.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | csReplicatable);
  SetBounds(Left(), Top(), 105, 105);
  FPicture.OnChange = [this](TObject* sender) { PictureChanged(sender); };
}

TImage::~TImage() { FPicture.OnChange = nullptr; }

void TImage::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  PictureChanged(this);
}

void TImage::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  PictureChanged(this);
}

void TImage::SetProportional(bool value) {
  if (value == FProportional) return;
  FProportional = value;
  PictureChanged(this);
}

void TImage::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  PictureChanged(this);
}

TCanvas& TImage::Canvas() {
  if (!FPicture.HasGraphic()) {
    auto bitmap = std::make_shared<TBitmap>(Width(), Height(), pf32bit);
    FPicture.SetGraphic(std::move(bitmap));
  }
  return FPicture.Bitmap().Canvas();
}

bool TImage::IsOpaque() const {
  return TGraphicControl::IsOpaque() || PictureCovers(FPicture.Graphic().get(), DestRect());
}

TRect TImage::DestRect() const {
  int w = FPicture.Width(), h = FPicture.Height();
  const int cw = Width(), ch = Height();
  const bool scale = FStretch || (FProportional && (w > cw || h > ch));
  if (scale) {
    if (FProportional && w > 0 && h > 0) {
      const double aspect = double(w) / double(h);
      if (w > h) {
        w = cw;
        h = int(cw / aspect);
        if (h > ch) {
          h = ch;
          w = int(ch * aspect);
        }
      } else {
        h = ch;
        w = int(ch * aspect);
        if (w > cw) {
          w = cw;
          h = int(cw / aspect);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r{0, 0, w, h};
  if (FCenter) r = r.Offset((cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  TCanvas& canvas = ControlCanvas();
  const auto& graphic = FPicture.Graphic();
  if (!graphic || graphic->Empty()) return;
  const bool saved = FDrawing;
  FDrawing = true;
  const TRect dest = DestRect();
  if (dest.Width() == graphic->Width() && dest.Height() == graphic->Height())
    canvas.Draw(dest.Left, dest.Top, *graphic);
  else
    canvas.StretchDraw(dest, *graphic);
  FDrawing = saved;
}

bool TImage::CanAutoSize(int& newWidth, int& newHeight) {
  if (FPicture.Width() > 0 && FPicture.Height() > 0) {
    if (Align() == alNone || Align() == alLeft || Align() == alRight) newWidth = FPicture.Width();
    if (Align() == alNone || Align() == alTop || Align() == alBottom) newHeight = FPicture.Height();
  }
  return true;
}

void TImage::PictureChanged(TObject* /*sender*/) {
  if (AutoSize() && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
  if (const auto& g = FPicture.Graphic()) {
    // Setting the flag reports a change of the picture again, which lands here once more with
    // nothing left to do.
    if (g->Transparent() != FTransparent) g->SetTransparent(FTransparent);
    if (!g->Transparent() && FStretch && !FProportional)
      SetControlStyle(ControlStyle() | csOpaque);
    else
      SetControlStyle(ControlStyle() & ~csOpaque);
  } else {
    SetControlStyle(ControlStyle() & ~csOpaque);
  }
  if (!FDrawing) Invalidate();
}
