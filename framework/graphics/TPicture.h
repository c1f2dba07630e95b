// SPDX-License-Identifier: MIT
// A holder for one graphic (a bitmap) that tells its owner about every change.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "graphics/TBitmap.h"
#include "graphics/TObject.h"

class TPicture : public TObject {
public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  ~TPicture() override;

  // The graphic, or nullptr when the picture holds none.
  const std::shared_ptr<TBitmap>& Graphic() const { return FGraphic; }
  bool HasGraphic() const { return FGraphic != nullptr; }
  // Takes the graphic (shared, not copied) and reports a change. nullptr empties the picture.
  void SetGraphic(std::shared_ptr<TBitmap> graphic);
  // The graphic as a bitmap; an empty bitmap is created (and reported) when the picture holds none.
  TBitmap& Bitmap();

  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // Copies the other picture's graphic (a deep copy; an empty source empties this one).
  void Assign(const TPicture& source);
  void Assign(const TBitmap& source);
  void Clear() { SetGraphic(nullptr); }
  TResult<void> LoadFromFile(const std::string& path);
  TResult<void> LoadFromMemory(const void* data, size_t size);

  // Fired with this picture as sender after every change: a new graphic, or any change of the
  // graphic's size, pixels or transparency.
  std::function<void(TObject* sender)> OnChange;
  void Changed();

private:
  void Hook();
  void Unhook();

  std::shared_ptr<TBitmap> FGraphic;
};
