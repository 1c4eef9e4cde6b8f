#include "JournalRules.h"

#include <cctype>

#include "KeySnapshot.h"
#include "Product.h"

const TProductKey kProductKeys[5] = {
    {"HKCR", ".maptldb"},
    {"HKCR", "maptldbFILE"},
    {"HKCR", ".maptl"},
    {"HKCR", "maptlFILE"},
    {"HKLM",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Карта Тальмирской области 2.0"}};

namespace {

const char* const kKindNames[] = {"install", "aside", "new", "key", "commit"};

bool IsHex(const std::string& text) {
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// "X:\..." or "\\server\share\...", every part a plain name: nothing that
// could lead a deletion anywhere but where it says.
bool IsPlainAbsolute(const std::string& path) {
  size_t start;
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      path[2] == '\\') {
    start = 3;
  } else if (path.size() > 2 && path.compare(0, 2, "\\\\") == 0) {
    start = 2;
  } else {
    return false;
  }
  if (start == path.size()) return false;
  for (const std::string& part : SplitAt(path.substr(start), '\\')) {
    if (part.empty() || part == "." || part == ".." ||
        part.find_first_of("<>:\"/|?*") != std::string::npos)
      return false;
  }
  return true;
}

bool IsAsideOf(const std::string& aside, const std::string& path) {
  return aside.size() == path.size() + 10 && aside.compare(0, path.size(), path) == 0 &&
         aside.compare(path.size(), 2, ".~") == 0 && IsHex(aside.substr(path.size() + 2));
}

bool IsProductKey(const std::string& root, const std::string& path) {
  for (const TProductKey& key : kProductKeys)
    if (root == key.root && path == key.path) return true;
  return false;
}

// The begin line: the install folder and the user's folders. Empty when it
// is sound.
std::string BeginFault(const TJournalFields& f,
                       const std::function<bool(const std::string&)>& isProductFolder) {
  if (f.size() != 4) return "a line \"install\" without its three folders";
  if (!isProductFolder(f[1])) return "an install folder that is not the product's: " + f[1];
  for (size_t i = 2; i < 4; ++i)
    if (!f[i].empty() && !IsPlainAbsolute(f[i])) return "a user folder that is not one: " + f[i];
  return std::string();
}

// One line after the begin line, as an entry, checked against the product's
// `places`; empty `fault` when it is sound.
std::string EntryOf(const TJournalFields& f, const std::vector<std::string>& places,
                    TJournalEntry& entry) {
  const auto isPlace = [&places](const std::string& path) {
    for (const std::string& place : places)
      if (!place.empty() && path == place) return true;
    return false;
  };
  const std::string& kind = f[0];
  if (kind == "aside") {
    if (f.size() != 3) return "a line \"aside\" without its two paths";
    if (!isPlace(f[1])) return "a path that is not the product's: " + f[1];
    if (!IsAsideOf(f[2], f[1])) return "an aside name that is not the path's: " + f[2];
    entry = TJournalEntry::Aside(f[1], f[2]);
  } else if (kind == "new") {
    if (f.size() != 2) return "a line \"new\" without its one path";
    if (!isPlace(f[1])) return "a path that is not the product's: " + f[1];
    entry = TJournalEntry::New(f[1]);
  } else if (kind == "key") {
    if (f.size() != 4) return "a line \"key\" without its root, path and snapshot";
    if (!IsProductKey(f[1], f[2])) return "a key that is not the product's: " + f[1] + "\\" + f[2];
    if (!ParseKeySnapshot(f[3])) return "a damaged snapshot of " + f[1] + "\\" + f[2];
    entry = TJournalEntry::Key(f[1], f[2], f[3]);
  } else if (kind == "commit") {
    if (f.size() != 1) return "a damaged line \"commit\"";
    entry = TJournalEntry::Commit();
  } else if (kind == "install") {
    return "a second line \"install\"";
  } else {
    return "a line of an unknown kind \"" + kind + "\"";
  }
  return std::string();
}

}  // namespace

TJournalEntry TJournalEntry::Begin(std::string folder, std::string programs, std::string desktop) {
  TJournalEntry e;
  e.kind = TJournalKind::kBegin;
  e.path = std::move(folder);
  e.programs = std::move(programs);
  e.desktop = std::move(desktop);
  return e;
}

TJournalEntry TJournalEntry::Aside(std::string path, std::string aside) {
  TJournalEntry e;
  e.kind = TJournalKind::kAside;
  e.path = std::move(path);
  e.aside = std::move(aside);
  return e;
}

TJournalEntry TJournalEntry::New(std::string path) {
  TJournalEntry e;
  e.kind = TJournalKind::kNew;
  e.path = std::move(path);
  return e;
}

TJournalEntry TJournalEntry::Key(std::string root, std::string path, std::string snapshot) {
  TJournalEntry e;
  e.kind = TJournalKind::kKey;
  e.root = std::move(root);
  e.path = std::move(path);
  e.snapshot = std::move(snapshot);
  return e;
}

TJournalEntry TJournalEntry::Commit() { return TJournalEntry(); }

TJournalFields FieldsOf(const TJournalEntry& e) {
  const std::string kind = kKindNames[static_cast<int>(e.kind)];
  switch (e.kind) {
    case TJournalKind::kBegin:
      return {kind, e.path, e.programs, e.desktop};
    case TJournalKind::kAside:
      return {kind, e.path, e.aside};
    case TJournalKind::kNew:
      return {kind, e.path};
    case TJournalKind::kKey:
      return {kind, e.root, e.path, e.snapshot};
    case TJournalKind::kCommit:
      break;
  }
  return {kind};
}

std::string ProgramGroupIn(const std::string& programs) {
  return programs.empty() ? std::string() : programs + "\\" + kProductName;
}

std::string DesktopLinkIn(const std::string& desktop) {
  return desktop.empty() ? std::string() : desktop + "\\" + kProductName + ".lnk";
}

TJournal ParseJournal(const std::vector<TJournalFields>& lines,
                      const std::function<bool(const std::string&)>& isProductFolder) {
  TJournal journal;
  const auto fail = [&journal](std::string fault) {
    journal.entries.clear();
    journal.fault = std::move(fault);
    return journal;
  };
  if (lines.empty() || lines[0].empty() || lines[0][0] != "install")
    return fail("no line \"install\" at its start");
  std::string fault = BeginFault(lines[0], isProductFolder);
  if (!fault.empty()) return fail(fault);
  const TJournalFields& begin = lines[0];
  journal.entries.push_back(TJournalEntry::Begin(begin[1], begin[2], begin[3]));
  const std::vector<std::string> places = {begin[1], ProgramGroupIn(begin[2]),
                                           DesktopLinkIn(begin[3])};
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) return fail("an empty line");
    if (journal.entries.back().kind == TJournalKind::kCommit)
      return fail("a line after \"commit\"");
    TJournalEntry entry;
    fault = EntryOf(lines[i], places, entry);
    if (!fault.empty()) return fail(fault);
    journal.entries.push_back(std::move(entry));
  }
  return journal;
}
