#include "DeletionRules.h"

TDeletion DeletionOf(const TEntryFacts& facts) {
  if (facts.missing) return TDeletion::kNothing;
  return IsPlainFolder(facts) ? TDeletion::kEnter : TDeletion::kRemoveItself;
}

bool IsPlainFolder(const TEntryFacts& facts) { return facts.opened && facts.folder && !facts.link; }
