// SPDX-License-Identifier: MIT
// The picture controls' shared placement, sizing and reaction to a change.
#include "components/TPictureControl.h"

TPictureControl::TPictureControl(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | csReplicatable);
  SetBounds(Left(), Top(), 105, 105);
  FPicture.OnChange = [this](TObject* sender) { PictureChanged(sender); };
}

TPictureControl::~TPictureControl() { FPicture.OnChange = nullptr; }

void TPictureControl::SetFlag(bool& flag, bool value) {
  if (value == flag) return;
  flag = value;
  PictureChanged(this);
}

TRect TPictureControl::DestRect() const {
  int w = FPicture.Width(), h = FPicture.Height();
  const int cw = ClientWidth(), ch = ClientHeight();
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
  // Integer division truncates toward zero: a picture larger than the control moves up and left.
  if (FCenter) r = r.Offset((cw - w) / 2, (ch - h) / 2);
  return r;
}

bool TPictureControl::IsOpaque() const {
  return TGraphicControl::IsOpaque() || PictureCovers(FPicture.Graphic().get(), DestRect());
}

bool TPictureControl::CanAutoSize(int& newWidth, int& newHeight) {
  if (FPicture.Width() > 0 && FPicture.Height() > 0) ProposePictureSize(newWidth, newHeight);
  return true;
}

void TPictureControl::ProposePictureSize(int& newWidth, int& newHeight) const {
  if (Align() == alNone || Align() == alLeft || Align() == alRight) newWidth = FPicture.Width();
  if (Align() == alNone || Align() == alTop || Align() == alBottom) newHeight = FPicture.Height();
}

void TPictureControl::PictureChanged(TObject* /*sender*/) {
  if (AutoSize() && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
  // Held by value: setting the flag below reports a change of the picture, which lands here once
  // more with nothing left to do.
  if (const std::shared_ptr<TBitmap> graphic = FPicture.Graphic()) {
    if (graphic->Transparent() != FTransparent) graphic->SetTransparent(FTransparent);
    if (!graphic->Transparent() && FStretch && !FProportional)
      SetControlStyle(ControlStyle() | csOpaque);
    else
      SetControlStyle(ControlStyle() & ~csOpaque);
  } else {
    SetControlStyle(ControlStyle() & ~csOpaque);
  }
  if (!FDrawing) Invalidate();
}
