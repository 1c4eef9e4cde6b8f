// What the installation's journal may say, and its lines as typed entries.
// The journal is carried out with administrator rights by the next start of
// the setup, so before anything is done every line must name only what an
// installation of this product changes: its install folder, its program
// group and desktop link, and its five registry key trees. A journal that
// says anything else was not written by this program (or is damaged) and is
// not acted on at all.
#pragma once

#include <functional>
#include <string>
#include <vector>

// A line as the journal stores it: its tab-separated fields, the kind first.
using TJournalFields = std::vector<std::string>;

// The kinds of line, and their fields on the disk:
//   install <install folder> <Programs> <Desktop>   the begin line, first
//   aside <path> <the name it was set aside under>
//   new <path>                                       nothing stood there
//   key <root> <path> <snapshot>                     see KeySnapshot.h
//   commit                                           the run completed
// The begin line names the Programs and Desktop folders of the user who
// installed (the links are per user; the journal is per machine).
enum class TJournalKind { kBegin, kAside, kNew, kKey, kCommit };

struct TJournalEntry {
  TJournalKind kind = TJournalKind::kCommit;
  // The install folder (begin), what was set aside or made (aside, new), the
  // key (key).
  std::string path;
  std::string aside;              // aside
  std::string programs, desktop;  // begin
  std::string root, snapshot;     // key: "HKLM" or "HKCR", and its tree

  static TJournalEntry Begin(std::string folder, std::string programs, std::string desktop);
  static TJournalEntry Aside(std::string path, std::string aside);
  static TJournalEntry New(std::string path);
  static TJournalEntry Key(std::string root, std::string path, std::string snapshot);
  static TJournalEntry Commit();
};

// The fields of an entry, as written.
TJournalFields FieldsOf(const TJournalEntry& entry);

// The product's registry key trees, as a journal names them.
struct TProductKey {
  const char* root;
  const char* path;
};
extern const TProductKey kProductKeys[5];

// The program group and the desktop link of the begin line's user.
std::string ProgramGroupIn(const std::string& programs);
std::string DesktopLinkIn(const std::string& desktop);

// A journal read: its entries when every line is one an installation of
// this product writes, in an order it writes them; else no entries and what
// is wrong, for the log.
struct TJournal {
  std::vector<TJournalEntry> entries;
  std::string fault;
};

// `isProductFolder` says whether a path is a folder the uninstaller would
// delete as the product's.
TJournal ParseJournal(const std::vector<TJournalFields>& lines,
                      const std::function<bool(const std::string&)>& isProductFolder);
