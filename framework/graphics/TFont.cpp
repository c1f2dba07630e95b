// SPDX-License-Identifier: MIT
// TFont: face lookup through fontconfig; the installed font engine opens, measures and draws the faces.
#include "graphics/TFont.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <tuple>

#include "graphics/TFontEngine.h"

// A face opened at one pixel size. Owned by the cache below and kept until the process ends, so
// fonts may hold plain pointers to it.
struct TFace {
  TFontEngine* Engine = nullptr;
  TFontFace* Handle = nullptr;
  int Height = 0;
};

namespace {

// Font renderers are not safe to use from two threads at once; every call goes under this.
std::mutex& FontLock() {
  static std::mutex lock;
  return lock;
}

// Written under FontLock.
TFontEngine* gEngine = nullptr;

struct TResolved {
  std::string File;
  int Index = 0;
  int Weight = FC_WEIGHT_REGULAR;
  int Slant = FC_SLANT_ROMAN;
};

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Finds the best installed file for a face name. Names of the classic desktop faces are mapped to
// what a Linux desktop has in their place: the metric-compatible sans face for Arial and the old
// dialog face, and its heaviest weight for the black cut.
TResolved Resolve(const std::string& name, bool bold, bool italic) {
  std::string family = name;
  int weight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
  const std::string lower = Lower(name);
  if (lower == "arial black") {
    family = "Arial";
    weight = FC_WEIGHT_BLACK;
  } else if (lower == "ms sans serif" || lower == "ms shell dlg" || lower == "ms shell dlg 2" ||
             lower == "microsoft sans serif" || lower.empty()) {
    family = "Arial";
  }
  TResolved result;
  if (!FcInit()) return result;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult res = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &res);
  if (match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
      result.File = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &result.Index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &result.Weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &result.Slant);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return result;
}

// Turns text into UTF-8 for the renderer. Text that is not valid UTF-8 (a playlist written by an
// old Windows editor, say) is read as Windows-1252, so it shows rather than failing.
std::string ToUtf8(const std::string& text) {
  bool valid = true;
  for (size_t i = 0; i < text.size() && valid;) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size()) {
      valid = false;
      break;
    }
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) valid = false;
    i += n;
  }
  if (valid) return text;
  static const uint16_t k1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  for (unsigned char c : text) {
    const uint32_t cp = (c >= 0x80 && c < 0xA0) ? k1252[c - 0x80] : c;
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// Opens (once) the face for a resolved file at an em size in pixels. Must be called with FontLock held.
TFace* OpenFace(const TResolved& resolved, int emPixels, TFontStyles synthesized) {
  using TKey = std::tuple<TFontEngine*, std::string, int, int, int>;
  // Faces live until the process ends: every TFont keeps a pointer to its face, also fonts of
  // components torn down at exit, so the table is never destroyed. Holding it through a pointer keeps
  // the open fonts reachable, which leak checkers then do not report.
  static auto& faces = *new std::map<TKey, TFace>;
  if (!gEngine) return nullptr;
  const TKey key{gEngine, resolved.File, resolved.Index, emPixels, synthesized};
  auto it = faces.find(key);
  if (it != faces.end()) return it->second.Handle ? &it->second : nullptr;
  TFace& face = faces[key];
  if (resolved.File.empty()) return nullptr;
  face.Handle = gEngine->OpenFace(resolved.File, resolved.Index, emPixels, synthesized);
  if (!face.Handle) return nullptr;
  face.Engine = gEngine;
  face.Height = gEngine->CellHeight(face.Handle);
  return &face;
}

}  // namespace

void SetFontEngine(TFontEngine* engine) {
  std::lock_guard<std::mutex> guard(FontLock());
  gEngine = engine;
}

TFont::TFont(const TFont& other) : TObject(other) { Assign(other); }

TFont& TFont::operator=(const TFont& other) {
  Assign(other);
  return *this;
}

TFont::~TFont() = default;

void TFont::Changed() {
  FFace = nullptr;
  if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& name) {
  if (name == FName) return;
  FName = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

int TFont::Size() const { return -FHeight * 72 / 96; }

void TFont::SetSize(int points) { SetHeight(-(points * 96 + 36) / 72); }

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  if (OnChange) OnChange(this);  // the face stays as it is
}

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::SetCharset(int charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  if (OnChange) OnChange(this);
}

void TFont::Assign(const TFont& other) {
  if (&other == this) return;
  const bool faceSame = FName == other.FName && FHeight == other.FHeight && FStyle == other.FStyle;
  const bool same = faceSame && FColor == other.FColor && FCharset == other.FCharset;
  FName = other.FName;
  FHeight = other.FHeight;
  FColor = other.FColor;
  FStyle = other.FStyle;
  FCharset = other.FCharset;
  if (!faceSame) FFace = other.FFace;
  if (!same && OnChange) OnChange(this);
}

// Must be called with FontLock held.
TFace* TFont::Face() const {
  if (FFace) return FFace;

  const bool bold = FStyle & fsBold, italic = FStyle & fsItalic;
  using TKey = std::tuple<std::string, bool, bool>;
  static std::map<TKey, TResolved> resolvedNames;
  const TKey key{FName, bold, italic};
  auto it = resolvedNames.find(key);
  if (it == resolvedNames.end()) it = resolvedNames.emplace(key, Resolve(FName, bold, italic)).first;
  const TResolved& resolved = it->second;

  // Emboldened or slanted by the renderer only when no such cut is installed.
  TFontStyles style = FStyle & (fsUnderline | fsStrikeOut);
  if (bold && resolved.Weight < FC_WEIGHT_DEMIBOLD) style |= fsBold;
  if (italic && resolved.Slant == FC_SLANT_ROMAN) style |= fsItalic;

  const int height = FHeight == 0 ? -11 : FHeight;
  int em = height < 0 ? -height : height;
  TFace* face = OpenFace(resolved, em, style);
  if (face && height > 0 && face->Height > 0 && face->Height != height) {
    // A positive height is the cell height: scale the em size so the cell comes out that tall.
    em = std::max(1, (height * em + face->Height / 2) / face->Height);
    face = OpenFace(resolved, em, style);
  }
  FFace = face;
  return FFace;
}

int TFont::TextWidth(const std::string& text) const {
  if (text.empty()) return 0;
  std::lock_guard<std::mutex> guard(FontLock());
  TFace* face = Face();
  if (!face) return 0;
  return face->Engine->TextWidth(face->Handle, ToUtf8(text));
}

int TFont::TextHeight(const std::string&) const {
  std::lock_guard<std::mutex> guard(FontLock());
  TFace* face = Face();
  return face ? face->Height : 0;
}

TTextMask TFont::Render(const std::string& text) const {
  std::lock_guard<std::mutex> guard(FontLock());
  TFace* face = Face();
  if (!face || text.empty()) return {};
  return face->Engine->Render(face->Handle, ToUtf8(text));
}

TTextMask TFont::RenderScaled(const std::string& text, int scale) const {
  if (scale <= 1) return Render(text);
  TFont large;
  large.FName = FName;
  large.FHeight = (FHeight == 0 ? -11 : FHeight) * scale;
  large.FStyle = FStyle;
  return large.Render(text);
}

std::string TFont::ResolvedFile() const {
  const bool bold = FStyle & fsBold, italic = FStyle & fsItalic;
  std::lock_guard<std::mutex> guard(FontLock());
  return Resolve(FName, bold, italic).File;
}
