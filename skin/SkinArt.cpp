// SPDX-License-Identifier: MIT
// The skin pictures carried inside the program, looked up by name.
#include "SkinArt.h"

#include "EmbedUnpack.h"
#include "SkinArtTable.h"

const TSkinArt* FindSkinArt(std::string_view name) {
  for (const TSkinArt& art : kSkinArtTable)
    if (art.Name == name) return &art;
  return nullptr;
}

std::vector<unsigned char> SkinArtFile(std::string_view name) {
  const TSkinArt* art = FindSkinArt(name);
  if (!art) return {};
  return UnpackEmbedded({art->Data, art->Size}, art->UnpackedSize);
}
