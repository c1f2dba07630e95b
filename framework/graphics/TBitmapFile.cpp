// SPDX-License-Identifier: MIT
// Reading and writing TBitmap as an uncompressed BMP file, refusing malformed files.
#include "graphics/TBitmap.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

namespace {

// Pictures larger than this are refused as absurd; the player's largest is 496 x 287.
constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(64) * 1024 * 1024;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// A channel of a 32-bit bit-field pixel: where it sits and how wide it is.
struct TChannel {
  int Shift = 0;
  int Bits = 0;
  bool FromMask(uint32_t mask) {
    if (mask == 0) return false;
    while (!(mask & 1u)) {
      mask >>= 1;
      ++Shift;
    }
    while (mask & 1u) {
      mask >>= 1;
      ++Bits;
    }
    return mask == 0;  // the set bits must be contiguous
  }
  uint8_t Extract(uint32_t pixel) const {
    uint32_t v = (pixel >> Shift) & ((Bits >= 32) ? 0xFFFFFFFFu : ((1u << Bits) - 1));
    if (Bits >= 8) return uint8_t(v >> (Bits - 8));
    return uint8_t((v * 255u) / ((1u << Bits) - 1));
  }
};

}  // namespace

TResult<void> TBitmap::LoadFromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail("cannot open " + path);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Fail("cannot read " + path);
  if (TResult<void> r = LoadFromMemory(data.data(), data.size()); !r) return Fail(path + ": " + r.Error());
  return {};
}

namespace {

// What the headers of a BMP file say, checked.
struct TBmpLayout {
  uint32_t OffBits = 0;
  uint32_t HeaderSize = 0;
  bool Core = false;  // the old 12-byte header: 16-bit sizes, 3-byte palette entries
  int64_t Width = 0;
  int64_t Height = 0;
  bool TopDown = false;
  uint16_t Bpp = 0;
  uint32_t ColorsUsed = 0;
  size_t PaletteStart = 0;
  // Channel layout of 32-bit pixels: blue, green, red bytes unless bit fields say otherwise.
  TChannel Red{16, 8}, Green{8, 8}, Blue{0, 8};
};

// Reads the colour masks of a bit-field file into the layout.
TResult<void> ReadMasks(const uint8_t* d, size_t size, uint32_t compression, TBmpLayout& bmp) {
  if (bmp.Bpp != 32) return Fail("unsupported BMP: bit fields with " + std::to_string(bmp.Bpp) + " bits per pixel");
  const uint8_t* masks = d + 14 + 40;
  if (bmp.HeaderSize == 40) {
    // The masks follow a plain header.
    const size_t maskBytes = compression == kBiAlphaBitfields ? 16 : 12;
    if (14 + 40 + maskBytes > size) return Fail("truncated BMP header");
    bmp.PaletteStart += maskBytes;
  }
  bmp.Red = {}, bmp.Green = {}, bmp.Blue = {};
  if (!bmp.Red.FromMask(Get32(masks)) || !bmp.Green.FromMask(Get32(masks + 4)) || !bmp.Blue.FromMask(Get32(masks + 8)))
    return Fail("malformed BMP: invalid colour masks");
  return {};
}

TResult<TBmpLayout> ReadLayout(const uint8_t* d, size_t size) {
  if (!d || size < 14 + 12) return Fail("not a BMP file: too short for its headers");
  if (d[0] != 'B' || d[1] != 'M') return Fail("not a BMP file: wrong signature");
  TBmpLayout bmp;
  bmp.OffBits = Get32(d + 10);
  bmp.HeaderSize = Get32(d + 14);
  bmp.Core = bmp.HeaderSize == 12;
  const uint32_t hs = bmp.HeaderSize;
  if (!bmp.Core && hs != 40 && hs != 52 && hs != 56 && hs != 108 && hs != 124)
    return Fail("unsupported BMP header size " + std::to_string(hs));
  if (uint64_t(14) + hs > size) return Fail("truncated BMP header");

  const uint8_t* h = d + 14;
  uint16_t planes;
  uint32_t compression = kBiRgb;
  if (bmp.Core) {
    bmp.Width = Get16(h + 4);
    bmp.Height = int16_t(Get16(h + 6));
    planes = Get16(h + 8);
    bmp.Bpp = Get16(h + 10);
  } else {
    bmp.Width = int32_t(Get32(h + 4));
    bmp.Height = int32_t(Get32(h + 8));
    planes = Get16(h + 12);
    bmp.Bpp = Get16(h + 14);
    compression = Get32(h + 16);
    bmp.ColorsUsed = Get32(h + 32);
  }
  bmp.TopDown = bmp.Height < 0;
  if (bmp.TopDown) bmp.Height = -bmp.Height;
  if (planes != 1) return Fail("malformed BMP: " + std::to_string(planes) + " planes");
  if (bmp.Width <= 0 || bmp.Height <= 0) return Fail("malformed BMP: empty or negative size");
  if (bmp.Width > kMaxSide || bmp.Height > kMaxSide || bmp.Width * bmp.Height > kMaxPixels)
    return Fail("BMP size " + std::to_string(bmp.Width) + " x " + std::to_string(bmp.Height) + " is too large");
  const uint16_t bpp = bmp.Bpp;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
    return Fail("unsupported BMP bit depth " + std::to_string(bpp));

  bmp.PaletteStart = 14 + hs;
  if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
    if (TResult<void> masks = ReadMasks(d, size, compression, bmp); !masks) return Fail(masks.Error());
  } else if (compression != kBiRgb) {
    return Fail("unsupported BMP: compressed pixel data");
  }
  return bmp;
}

// The palette of a picture of 8 bits or fewer per pixel; empty for deeper ones.
TResult<std::vector<TColor>> ReadPalette(const uint8_t* d, size_t size, const TBmpLayout& bmp) {
  std::vector<TColor> palette;
  if (bmp.Bpp > 8) return palette;
  const uint32_t maxColors = 1u << bmp.Bpp;
  const uint32_t count = bmp.ColorsUsed == 0 ? maxColors : bmp.ColorsUsed;
  if (count > maxColors)
    return Fail("malformed BMP: " + std::to_string(count) + " palette entries for " + std::to_string(bmp.Bpp) +
                " bits");
  const size_t entry = bmp.Core ? 3 : 4;
  if (bmp.PaletteStart + uint64_t(count) * entry > size) return Fail("truncated BMP palette");
  palette.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = d + bmp.PaletteStart + i * entry;
    palette[i] = RGB(e[2], e[1], e[0]);
  }
  return palette;
}

// One row of the file's pixels as colour words.
void DecodeRow(const uint8_t* src, const TBmpLayout& bmp, const std::vector<TColor>& palette, uint32_t* dst) {
  const uint16_t bpp = bmp.Bpp;
  for (int64_t x = 0; x < bmp.Width; ++x) {
    uint32_t c;
    switch (bpp) {
      case 1:
      case 4:
      case 8: {
        const int64_t bit = x * bpp;
        const uint32_t idx = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        // An index past the palette shows black rather than reading beyond it.
        c = idx < palette.size() ? palette[idx] : clBlack;
        break;
      }
      case 24: c = RGB(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]); break;
      default: {
        const uint32_t p = Get32(src + x * 4);
        c = RGB(bmp.Red.Extract(p), bmp.Green.Extract(p), bmp.Blue.Extract(p));
        break;
      }
    }
    dst[x] = c;
  }
}

}  // namespace

TResult<void> TBitmap::LoadFromMemory(const void* raw, size_t size) {
  const auto* d = static_cast<const uint8_t*>(raw);
  TResult<TBmpLayout> layout = ReadLayout(d, size);
  if (!layout) return Fail(layout.Error());
  const TBmpLayout& bmp = *layout;
  TResult<std::vector<TColor>> palette = ReadPalette(d, size, bmp);
  if (!palette) return Fail(palette.Error());

  const uint64_t stride = ((uint64_t(bmp.Width) * bmp.Bpp + 31) / 32) * 4;
  if (bmp.OffBits < 14 + bmp.HeaderSize || uint64_t(bmp.OffBits) + stride * uint64_t(bmp.Height) > size)
    return Fail("truncated BMP pixel data");

  std::vector<uint32_t> pixels(size_t(bmp.Width * bmp.Height));
  for (int64_t row = 0; row < bmp.Height; ++row) {
    const int64_t y = bmp.TopDown ? row : bmp.Height - 1 - row;
    DecodeRow(d + bmp.OffBits + stride * uint64_t(row), bmp, *palette, &pixels[size_t(y * bmp.Width)]);
  }

  FFormat = pf32bit;
  FBits.clear();
  FDetail.clear();
  FPixels = std::move(pixels);
  FWidth = int(bmp.Width);
  FHeight = int(bmp.Height);
  Changed();
  return {};
}

std::vector<uint8_t> TBitmap::SaveToMemory(TBmpDepth depth) const {
  const int bpp = depth == bd1bit ? 1 : depth == bd24bit ? 24 : 32;
  const uint32_t paletteBytes = depth == bd1bit ? 8 : 0;
  const uint32_t stride = ((uint32_t(FWidth) * uint32_t(bpp) + 31) / 32) * 4;
  const uint32_t imageBytes = stride * uint32_t(FHeight);
  const uint32_t offBits = 14 + 40 + paletteBytes;

  std::vector<uint8_t> out;
  out.reserve(offBits + imageBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offBits + imageBytes);
  Put32(out, 0);
  Put32(out, offBits);
  Put32(out, 40);
  Put32(out, uint32_t(FWidth));
  Put32(out, uint32_t(FHeight));
  Put16(out, 1);
  Put16(out, uint16_t(bpp));
  Put32(out, kBiRgb);
  Put32(out, imageBytes);
  Put32(out, 3780);  // 96 pixels per inch
  Put32(out, 3780);
  Put32(out, depth == bd1bit ? 2 : 0);
  Put32(out, depth == bd1bit ? 2 : 0);
  if (depth == bd1bit) {
    Put32(out, 0x000000);
    Put32(out, 0xFFFFFF);
  }
  for (int row = 0; row < FHeight; ++row) {
    const int y = FHeight - 1 - row;  // bottom-up
    const size_t start = out.size();
    out.resize(start + stride, 0);
    uint8_t* dst = &out[start];
    for (int x = 0; x < FWidth; ++x) {
      const TColor c = Pixel(x, y);
      if (depth == bd1bit) {
        if ((c & 0xFFFFFF) != 0) dst[x / 8] |= uint8_t(0x80 >> (x % 8));
      } else {
        uint8_t* p = dst + x * (bpp / 8);
        p[0] = GetBValue(c);
        p[1] = GetGValue(c);
        p[2] = GetRValue(c);
      }
    }
  }
  return out;
}

TResult<void> TBitmap::SaveToFile(const std::string& path, TBmpDepth depth) const {
  const std::vector<uint8_t> data = SaveToMemory(depth);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return Fail("cannot create " + path);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  out.close();
  if (!out) return Fail("cannot write " + path);
  return {};
}
