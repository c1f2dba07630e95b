// SPDX-License-Identifier: MIT
// The entry table's storage and the stubs that stand in for entry points not (yet) loaded.
#include "audio/TSndEntryTable.h"

#include "audio/AudioLibraryState.h"

namespace {

template <typename TFunction>
struct TStub;

template <typename TResult, typename... TArgs>
struct TStub<TResult (*)(TArgs...)> {
  static TResult Call(TArgs...) { return TResult{}; }
};

}  // namespace

TSndEntryTable WithStubs(TSndEntryTable table) {
#define MIRA_SND_ENTRY_STUB(name) \
  if (!table.name) table.name = &TStub<decltype(table.name)>::Call;
  MIRA_SND_ENTRY_POINTS(MIRA_SND_ENTRY_STUB)
#undef MIRA_SND_ENTRY_STUB
  return table;
}

TSndEntryTable& MutableSndTable() {
  static TSndEntryTable table = WithStubs({});
  return table;
}

const TSndEntryTable& SndTable() { return MutableSndTable(); }
