// The journal is carried out with administrator rights: one table of
// journals, each sound one made unsound in one place, and what is said of it.
#include "JournalRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kD = "C:\\Program Files\\Карта Тальмирской области 2.0";
const std::string kPrograms = "C:\\Users\\u\\Главное меню\\Программы";
const std::string kDesktop = "C:\\Users\\u\\Рабочий стол";
const std::string kGroup = kPrograms + "\\Карта Тальмирской области 2.0";
const std::string kLink = kDesktop + "\\Карта Тальмирской области 2.0.lnk";
const std::string kUninstall = kProductKeys[4].path;

// Folders named like the product on a drive: the uninstall's rule, in short.
bool IsProductFolder(const std::string& path) {
  const std::string tail = "\\Карта Тальмирской области 2.0";
  return path.size() > 3 + tail.size() && path[1] == ':' &&
         path.compare(path.size() - tail.size(), tail.size(), tail) == 0 &&
         path.find("..") == std::string::npos;
}

// A journal as a run writes it: the begin line, then one line of each kind.
std::vector<TJournalFields> Sound() {
  return {{"install", kD, kPrograms, kDesktop},
          {"aside", kD, kD + ".~0A1B2C3D"},
          {"key", "HKCR", ".maptldb", "absent"},
          {"key", "HKLM", kUninstall, "k/ v//4e616d65/1/41 k/4142 v/4142//4/01000000"},
          {"new", kGroup},
          {"aside", kLink, kLink + ".~ffffffff"},
          {"commit"}};
}

struct Damage {
  const char* what;
  size_t line;        // the line replaced (past the end: added)
  TJournalFields by;  // empty: the line removed
  const char* fault;  // the start of what is said; null: still sound
};

// clang-format off
const Damage kDamages[] = {
    {"sound as written", 99, {}, nullptr},
    {"no begin line", 0, {}, "no line \"install\""},
    {"begin line without the user's folders", 0, {"install", kD}, "a line \"install\" without"},
    {"no user folders at all", 0, {"install", kD, "", ""}, "a path that is not the product's"},
    {"install folder a drive", 0, {"install", "C:\\", kPrograms, kDesktop}, "an install folder"},
    {"install folder elsewhere", 0, {"install", "C:\\Windows", kPrograms, kDesktop}, "an install folder"},
    {"user folder relative", 0, {"install", kD, "Programs", kDesktop}, "a user folder"},
    {"user folder climbing", 0, {"install", kD, "C:\\Users\\..\\Windows", kDesktop}, "a user folder"},
    {"a second begin line", 4, {"install", kD, kPrograms, kDesktop}, "a second line"},
    {"unknown kind", 2, {"delete", kD}, "a line of an unknown kind"},
    {"empty line", 2, {""}, "a line of an unknown kind"},
    {"aside of another folder", 1, {"aside", "C:\\Canary", "C:\\Canary.~00000000"}, "a path that is not the product's"},
    {"aside name elsewhere", 1, {"aside", kD, "C:\\Windows"}, "an aside name"},
    {"aside name short", 1, {"aside", kD, kD + ".~0A1B2C3"}, "an aside name"},
    {"aside name not hex", 1, {"aside", kD, kD + ".~0A1B2C3G"}, "an aside name"},
    {"aside without its name", 1, {"aside", kD}, "a line \"aside\" without"},
    {"new elsewhere", 4, {"new", "C:\\Canary"}, "a path that is not the product's"},
    {"new of another group", 4, {"new", kPrograms + "\\Другая"}, "a path that is not"},
    {"new with two paths", 4, {"new", kGroup, kLink}, "a line \"new\" without"},
    {"key of another tree", 2, {"key", "HKLM", "Software", "absent"}, "a key that is not"},
    {"key below the product's", 2, {"key", "HKCR", ".maptldb\\x", "absent"}, "a key that is not"},
    {"key of an unknown root", 2, {"key", "HKU", ".maptldb", "absent"}, "a key that is not"},
    {"key without its snapshot", 2, {"key", "HKCR", ".maptldb"}, "a line \"key\" without"},
    {"snapshot with a bad number", 3, {"key", "HKLM", kUninstall, "k/ v//41/x/41"}, "a damaged snapshot"},
    {"snapshot with odd hex", 3, {"key", "HKLM", kUninstall, "k/ v//41/1/4"}, "a damaged snapshot"},
    {"snapshot with a huge type", 3, {"key", "HKLM", kUninstall, "k/ v//41/4294967296/41"}, "a damaged snapshot"},
    {"snapshot without its key", 3, {"key", "HKLM", kUninstall, "v//41/1/41"}, "a damaged snapshot"},
    {"snapshot of an unknown item", 3, {"key", "HKLM", kUninstall, "k/ x/41"}, "a damaged snapshot"},
    {"commit with a field", 6, {"commit", "x"}, "a damaged line \"commit\""},
    {"a line after commit", 7, {"new", kD}, "a line after \"commit\""},
};
// clang-format on

TEST(JournalRules, EveryLineMustNameOnlyWhatTheProductChanges) {
  for (const Damage& damage : kDamages) {
    std::vector<TJournalFields> journal = Sound();
    if (damage.line < journal.size()) {
      if (damage.by.empty()) {
        journal.erase(journal.begin() + damage.line);
      } else {
        journal[damage.line] = damage.by;
      }
    } else if (!damage.by.empty()) {
      journal.push_back(damage.by);
    }
    const TJournal parsed = ParseJournal(journal, IsProductFolder);
    if (!damage.fault) {
      EXPECT_EQ(parsed.fault, "") << damage.what;
      // Written back from its entries, the journal reads as it was.
      ASSERT_EQ(parsed.entries.size(), journal.size()) << damage.what;
      for (size_t i = 0; i < journal.size(); ++i)
        EXPECT_EQ(FieldsOf(parsed.entries[i]), journal[i]) << damage.what;
    } else {
      EXPECT_EQ(parsed.fault.rfind(damage.fault, 0), 0u) << damage.what << ": " << parsed.fault;
      EXPECT_TRUE(parsed.entries.empty()) << damage.what;
    }
  }
}

}  // namespace
