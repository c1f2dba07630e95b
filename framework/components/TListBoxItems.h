// SPDX-License-Identifier: MIT
// The lines of a list box, read and changed through the list's messages.
#pragma once

#include <string>

class TCustomListBox;

// Every operation is a message to the list (LB_ADDSTRING, LB_GETTEXT, ...), so a hook on the
// list's WindowProc sees them all. Reading or deleting outside 0..Count-1 throws EListError.
class TListBoxItems {
public:
  explicit TListBoxItems(TCustomListBox& list) : FList(list) {}
  TListBoxItems(const TListBoxItems&) = delete;
  TListBoxItems& operator=(const TListBoxItems&) = delete;

  int Count() const;
  std::string Strings(int index) const;
  std::string operator[](int index) const { return Strings(index); }
  // Returns the index of the new line.
  int Add(const std::string& text);
  void Insert(int index, const std::string& text);
  void Delete(int index);
  // Replaces the text of a line; the selected line and the first line shown stay what they were.
  void Put(int index, const std::string& text);
  void Clear();
  // The first line equal to `text`, or -1.
  int IndexOf(const std::string& text) const;

private:
  TCustomListBox& FList;
};
