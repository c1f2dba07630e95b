// SPDX-License-Identifier: MIT
// TPicture: holds a bitmap and passes on its changes.
#include "graphics/TPicture.h"

TPicture::~TPicture() { Unhook(); }

void TPicture::Hook() {
  if (FGraphic) FGraphic->OnChange = [this] { Changed(); };
}

void TPicture::Unhook() {
  if (FGraphic) FGraphic->OnChange = nullptr;
}

void TPicture::SetGraphic(std::shared_ptr<TBitmap> graphic) {
  if (graphic == FGraphic) return;
  Unhook();
  FGraphic = std::move(graphic);
  Hook();
  Changed();
}

TBitmap& TPicture::Bitmap() {
  if (!FGraphic) SetGraphic(std::make_shared<TBitmap>());
  return *FGraphic;
}

void TPicture::Assign(const TPicture& source) {
  if (&source == this) return;
  if (!source.FGraphic)
    SetGraphic(nullptr);
  else
    SetGraphic(std::make_shared<TBitmap>(*source.FGraphic));
}

void TPicture::Assign(const TBitmap& source) { SetGraphic(std::make_shared<TBitmap>(source)); }

TResult<void> TPicture::LoadFromFile(const std::string& path) {
  auto bitmap = std::make_shared<TBitmap>();
  TResult<void> r = bitmap->LoadFromFile(path);
  if (r) SetGraphic(std::move(bitmap));
  return r;
}

TResult<void> TPicture::LoadFromMemory(const void* data, size_t size) {
  auto bitmap = std::make_shared<TBitmap>();
  TResult<void> r = bitmap->LoadFromMemory(data, size);
  if (r) SetGraphic(std::move(bitmap));
  return r;
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}
