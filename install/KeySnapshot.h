// A registry key tree kept as text, the form in which the journal keeps what
// an installation is about to overwrite: items separated by blanks, "k/<key>"
// for a key and "v/<key>/<name>/<type>/<data>" for a value, every key path
// relative to the top of the tree (the top itself is ""), every text and the
// data in lower-case hex; "absent" for a tree that was not there. The text
// holds no tab and no line break, so it fits one line of the journal.
// Written and read here only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr char kAbsentSnapshot[] = "absent";

// One key, or one value with its type and bytes. Texts are UTF-8.
struct TSnapshotItem {
  bool isValue = false;
  std::string key;
  std::string name;
  uint32_t type = 0;
  std::string data;
};

// The text of one item, as the snapshot holds it.
std::string SnapshotItemText(const TSnapshotItem& item);

// The items of a snapshot, the top key first; none for "absent"; nullopt
// when the text is not one this program writes (a damaged journal).
std::optional<std::vector<TSnapshotItem>> ParseKeySnapshot(const std::string& text);

// `text` cut at every `separator`: n separators, n + 1 parts.
std::vector<std::string> SplitAt(const std::string& text, char separator);
