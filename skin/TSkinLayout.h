// SPDX-License-Identifier: MIT
// A window layout read from its text description: items in order, each a kind, a name and checked values.
#pragma once

#include "base/TResult.h"
#include "graphics/TColor.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// A font as the description gives it.
struct TSkinFont {
  std::string Name;
  int Height = 0;
  TColor Color = 0;
  bool Bold = false;
};

// A rectangle as the description gives it: a place and a size.
struct TSkinBounds {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

// One "[kind Name]" section. Its values were checked when the description was read, so the getters
// only convert; a key the section does not have yields the fallback.
class TSkinItem {
public:
  TSkinItem(std::string kind, std::string name, int line)
      : FKind(std::move(kind)), FName(std::move(name)), FLine(line) {}

  const std::string& Kind() const { return FKind; }
  const std::string& Name() const { return FName; }
  // The line of the description the section starts on, for messages.
  int Line() const { return FLine; }

  bool Has(std::string_view key) const;
  std::string Text(std::string_view key, std::string fallback = {}) const;
  int Int(std::string_view key, int fallback = 0) const;
  bool Bool(std::string_view key, bool fallback) const;
  TColor Color(std::string_view key, TColor fallback) const;
  TSkinBounds Bounds(std::string_view key) const;
  TSkinFont Font(std::string_view key) const;

  // Used by the reader only.
  void SetValue(std::string key, std::string value) { FValues[std::move(key)] = std::move(value); }

private:
  std::string FKind;
  std::string FName;
  int FLine;
  std::map<std::string, std::string, std::less<>> FValues;
};

// The items of a window description in the order they appear.
class TSkinLayout {
public:
  // Reads and checks a whole description: the layout, or why it was refused ("line 12: ...").
  static TResult<TSkinLayout> Parse(std::string_view text);

  const std::vector<TSkinItem>& Items() const { return FItems; }
  // The item of that name, or nullptr.
  const TSkinItem* Find(std::string_view name) const;

private:
  std::vector<TSkinItem> FItems;
};
