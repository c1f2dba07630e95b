// SPDX-License-Identifier: MIT
// A window layout read from its text description: items in order, each a kind, a name and checked values.
#include "TSkinLayout.h"

#include <charconv>
#include <initializer_list>
#include <set>

namespace {

enum class TValueType { Text, Int, Bool, Color, Bounds, Font, Picture, Choice };

struct TKeyRule {
  std::string_view Key;
  TValueType Type;
  std::initializer_list<std::string_view> Choices = {};
};

struct TKindRule {
  std::string_view Kind;
  std::initializer_list<TKeyRule> Keys;
  std::initializer_list<std::string_view> Required;
};

// What each kind of item may say. A key outside its kind's list is refused, so a misspelt key is
// caught instead of silently leaving the stored value out.
const TKindRule kKinds[] = {
    {"form",
     {{"caption", TValueType::Text},
      {"border", TValueType::Choice, {"none", "single"}},
      {"position", TValueType::Choice, {"designed", "screen-center"}},
      {"bounds", TValueType::Bounds},
      {"color", TValueType::Color},
      {"font", TValueType::Font}},
     {"bounds"}},
    {"shape",
     {{"bounds", TValueType::Bounds},
      {"picture", TValueType::Picture},
      {"auto-size", TValueType::Bool},
      {"movable", TValueType::Bool}},
     {"bounds"}},
    {"scroller",
     {{"bounds", TValueType::Bounds},
      {"speed", TValueType::Int},
      {"background", TValueType::Color},
      {"direction", TValueType::Choice, {"left-to-right", "right-to-left"}},
      {"font", TValueType::Font},
      {"text", TValueType::Text}},
     {"bounds"}},
    {"image",
     {{"bounds", TValueType::Bounds},
      {"picture", TValueType::Picture},
      {"auto-size", TValueType::Bool},
      {"transparent", TValueType::Bool},
      {"visible", TValueType::Bool},
      {"enabled", TValueType::Bool},
      {"hint", TValueType::Text},
      {"cursor", TValueType::Choice, {"default", "arrow", "size-we", "size-ns"}}},
     {"bounds"}},
    {"label",
     {{"bounds", TValueType::Bounds},
      {"auto-size", TValueType::Bool},
      {"transparent", TValueType::Bool},
      {"alignment", TValueType::Choice, {"left", "center", "right"}},
      {"font", TValueType::Font},
      {"caption", TValueType::Text}},
     {"bounds"}},
    {"list",
     {{"bounds", TValueType::Bounds},
      {"color", TValueType::Color},
      {"border", TValueType::Choice, {"none", "single"}},
      {"multi-select", TValueType::Bool},
      {"extended-select", TValueType::Bool},
      {"item-height", TValueType::Int},
      {"font", TValueType::Font},
      {"line-odd", TValueType::Color},
      {"line-even", TValueType::Color},
      {"line-selected", TValueType::Color},
      {"font-selected", TValueType::Color}},
     {"bounds"}},
    {"timer", {{"interval", TValueType::Int}}, {"interval"}},
    {"frames",
     {{"picture", TValueType::Picture},
      {"mask", TValueType::Picture},
      {"count", TValueType::Int},
      {"masked", TValueType::Bool},
      {"background", TValueType::Color},
      {"blend", TValueType::Color}},
     {"picture", "count"}},
};

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool IsIdentifier(std::string_view s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  for (char c : s)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

bool ParseInt(std::string_view s, int& out) {
  s = Trim(s);
  if (s.empty()) return false;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out);
  return error == std::errc{} && end == s.data() + s.size();
}

bool ParseBool(std::string_view s, bool& out) {
  if (s == "yes" || s == "no") {
    out = s == "yes";
    return true;
  }
  return false;
}

bool ParseColor(std::string_view s, TColor& out) {
  s = Trim(s);
  if (s == "clBlack")
    out = clBlack;
  else if (s == "clWhite")
    out = clWhite;
  else if (s == "clWindowText")
    out = clWindowText;
  else {
    // A plain colour word: three bytes, no system-colour bit.
    unsigned value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc{} || end != s.data() + s.size() || value > 0xFFFFFF) return false;
    out = value;
  }
  return true;
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const auto at = s.find(separator);
    parts.push_back(Trim(s.substr(0, at)));
    if (at == std::string_view::npos) return parts;
    s.remove_prefix(at + 1);
  }
}

bool ParseBounds(std::string_view s, TSkinBounds& out) {
  std::vector<int> numbers;
  for (std::string_view word : Split(Trim(s), ' ')) {
    if (word.empty()) continue;  // runs of spaces
    int n = 0;
    if (!ParseInt(word, n)) return false;
    numbers.push_back(n);
  }
  if (numbers.size() != 4 || numbers[2] < 0 || numbers[3] < 0) return false;
  out = {numbers[0], numbers[1], numbers[2], numbers[3]};
  return true;
}

bool ParseFont(std::string_view s, TSkinFont& out) {
  const std::vector<std::string_view> parts = Split(s, ',');
  if (parts.size() < 3 || parts.size() > 4 || parts[0].empty()) return false;
  if (!ParseInt(parts[1], out.Height) || !ParseColor(parts[2], out.Color)) return false;
  if (parts.size() == 4 && parts[3] != "bold") return false;
  out.Name = parts[0];
  out.Bold = parts.size() == 4;
  return true;
}

// Why `value` does not fit `rule`, or an empty text when it does.
std::string CheckValue(const TKeyRule& rule, std::string_view value) {
  int n = 0;
  bool b = false;
  TColor c = 0;
  TSkinBounds r;
  TSkinFont f;
  switch (rule.Type) {
    case TValueType::Text: return {};
    case TValueType::Int: return ParseInt(value, n) ? "" : "a whole number was expected";
    case TValueType::Bool: return ParseBool(value, b) ? "" : "\"yes\" or \"no\" was expected";
    case TValueType::Color:
      return ParseColor(value, c) ? "" : "a colour (clBlack, clWhite, clWindowText or 0..16777215) was expected";
    case TValueType::Bounds:
      return ParseBounds(value, r) ? "" : "four whole numbers \"left top width height\" were expected";
    case TValueType::Font: return ParseFont(value, f) ? "" : "\"name, height, colour[, bold]\" was expected";
    case TValueType::Picture: return IsIdentifier(value) ? "" : "a picture name (letters, digits, '_') was expected";
    case TValueType::Choice:
      for (std::string_view choice : rule.Choices)
        if (value == choice) return {};
      std::string allowed;
      for (std::string_view choice : rule.Choices) allowed += (allowed.empty() ? "" : ", ") + std::string(choice);
      return "one of " + allowed + " was expected";
  }
  return "unknown value type";
}

const TKindRule* FindKind(std::string_view kind) {
  for (const TKindRule& rule : kKinds)
    if (rule.Kind == kind) return &rule;
  return nullptr;
}

const TKeyRule* FindKey(const TKindRule& kind, std::string_view key) {
  for (const TKeyRule& rule : kind.Keys)
    if (rule.Key == key) return &rule;
  return nullptr;
}

}  // namespace

bool TSkinItem::Has(std::string_view key) const { return FValues.find(key) != FValues.end(); }

std::string TSkinItem::Text(std::string_view key, std::string fallback) const {
  const auto it = FValues.find(key);
  return it == FValues.end() ? fallback : it->second;
}

int TSkinItem::Int(std::string_view key, int fallback) const {
  const auto it = FValues.find(key);
  int value = fallback;
  return it != FValues.end() && ParseInt(it->second, value) ? value : fallback;
}

bool TSkinItem::Bool(std::string_view key, bool fallback) const {
  const auto it = FValues.find(key);
  bool value = fallback;
  return it != FValues.end() && ParseBool(it->second, value) ? value : fallback;
}

TColor TSkinItem::Color(std::string_view key, TColor fallback) const {
  const auto it = FValues.find(key);
  TColor value = fallback;
  return it != FValues.end() && ParseColor(it->second, value) ? value : fallback;
}

TSkinBounds TSkinItem::Bounds(std::string_view key) const {
  const auto it = FValues.find(key);
  TSkinBounds value;
  return it != FValues.end() && ParseBounds(it->second, value) ? value : TSkinBounds{};
}

TSkinFont TSkinItem::Font(std::string_view key) const {
  const auto it = FValues.find(key);
  TSkinFont value;
  return it != FValues.end() && ParseFont(it->second, value) ? value : TSkinFont{};
}

const TSkinItem* TSkinLayout::Find(std::string_view name) const {
  for (const TSkinItem& item : FItems)
    if (item.Name() == name) return &item;
  return nullptr;
}

TResult<TSkinLayout> TSkinLayout::Parse(std::string_view text) {
  std::vector<TSkinItem> items;
  std::set<std::string, std::less<>> names;
  std::set<std::string, std::less<>> keys;  // of the open section
  const TKindRule* kind = nullptr;
  auto fail = [](int line, const std::string& why) { return Fail("line " + std::to_string(line) + ": " + why); };
  // A section is complete when the next one opens or the text ends.
  auto checkRequired = [&]() -> std::string {
    if (!kind) return {};
    for (std::string_view key : kind->Required)
      if (!keys.contains(key)) return items.back().Name() + " has no \"" + std::string(key) + "\"";
    return {};
  };

  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const auto end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.find('\0') != std::string_view::npos) return fail(lineNumber, "a zero byte in the text");
    if (line.empty() || line[0] == '#') continue;

    if (line[0] == '[') {
      if (line.back() != ']') return fail(lineNumber, "a section must read \"[kind Name]\"");
      if (std::string why = checkRequired(); !why.empty()) return fail(items.back().Line(), why);
      const std::vector<std::string_view> words = Split(Trim(line.substr(1, line.size() - 2)), ' ');
      if (words.size() != 2 || words[0].empty() || words[1].empty())
        return fail(lineNumber, "a section must read \"[kind Name]\"");
      kind = FindKind(words[0]);
      if (!kind) return fail(lineNumber, "unknown kind \"" + std::string(words[0]) + "\"");
      if ((kind->Kind == "form") != items.empty())
        return fail(lineNumber, "the description starts with the one form section");
      if (!IsIdentifier(words[1])) return fail(lineNumber, "\"" + std::string(words[1]) + "\" is not a valid name");
      if (!names.emplace(words[1]).second)
        return fail(lineNumber, "the name \"" + std::string(words[1]) + "\" is used twice");
      items.emplace_back(std::string(words[0]), std::string(words[1]), lineNumber);
      keys.clear();
      continue;
    }

    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return fail(lineNumber, "\"key = value\" or \"[kind Name]\" was expected");
    if (!kind) return fail(lineNumber, "a value before the first section");
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    const TKeyRule* rule = FindKey(*kind, key);
    if (!rule)
      return fail(lineNumber, "\"" + std::string(key) + "\" is not a key of [" + std::string(kind->Kind) + "]");
    if (!keys.emplace(key).second) return fail(lineNumber, "\"" + std::string(key) + "\" is given twice");
    if (std::string why = CheckValue(*rule, value); !why.empty())
      return fail(lineNumber, std::string(key) + ": " + why);
    items.back().SetValue(std::string(key), std::string(value));
  }
  if (items.empty()) return fail(lineNumber, "the description is empty");
  if (std::string why = checkRequired(); !why.empty()) return fail(items.back().Line(), why);
  TSkinLayout layout;
  layout.FItems = std::move(items);
  return layout;
}
