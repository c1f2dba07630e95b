// SPDX-License-Identifier: MIT
// List box lines as messages.
#include "components/TListBoxItems.h"

#include "components/Exception.h"
#include "components/TCustomListBox.h"

int TListBoxItems::Count() const { return int(FList.Perform(LB_GETCOUNT)); }

std::string TListBoxItems::Strings(int index) const {
  std::string text;
  if (FList.Perform(LB_GETTEXT, PackIndex(index), PackLineBuffer(text)) == LB_ERR)
    throw EListError::IndexOutOfBounds(index);
  return text;
}

int TListBoxItems::Add(const std::string& text) { return int(FList.Perform(LB_ADDSTRING, 0, PackLine(text))); }

void TListBoxItems::Insert(int index, const std::string& text) {
  if (FList.Perform(LB_INSERTSTRING, PackIndex(index), PackLine(text)) == LB_ERR)
    throw EListError::IndexOutOfBounds(index);
}

void TListBoxItems::Delete(int index) {
  if (FList.Perform(LB_DELETESTRING, PackIndex(index)) == LB_ERR) throw EListError::IndexOutOfBounds(index);
}

void TListBoxItems::Put(int index, const std::string& text) {
  if (Strings(index) == text) return;
  const int selected = FList.ItemIndex();
  const int top = FList.TopIndex();
  Delete(index);
  Insert(index, text);
  if (FList.ItemIndex() != selected) FList.SetItemIndex(selected);
  if (FList.TopIndex() != top) FList.SetTopIndex(top);
}

void TListBoxItems::Clear() { FList.Perform(LB_RESETCONTENT); }

int TListBoxItems::IndexOf(const std::string& text) const {
  const int n = Count();
  for (int i = 0; i < n; ++i)
    if (Strings(i) == text) return i;
  return -1;
}
