// What a deletion run with administrator rights does with what stands at a
// path. It decides from what a handle opened without following a link says
// (never from an earlier listing, which a user could have made stale by
// putting a link in the folder's place): only a plain folder is entered; a
// link (a junction, a symbolic link, any reparse point) is removed as the
// link it is, and what it points at is never touched.
#pragma once

struct TEntryFacts {
  bool missing = false;  // nothing stands there
  bool opened = false;   // a handle could be opened: the two below are known
  bool folder = false;
  bool link = false;  // a reparse point
};

enum class TDeletion {
  kNothing,       // nothing to delete
  kEnter,         // a plain folder: its contents first, then itself
  kRemoveItself,  // a file or a link, or what could not be looked at: by its name alone
};

TDeletion DeletionOf(const TEntryFacts& facts);

// A folder the setup deletes as a whole (the install folder, the earlier
// installation set aside): anything but a plain folder there is not its
// own, and the run stops rather than remove it.
bool IsPlainFolder(const TEntryFacts& facts);
