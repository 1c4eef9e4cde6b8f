#include "JournalRules.h"

#include <cctype>

#include "Product.h"

const TProductKey kProductKeys[5] = {
    {"HKCR", ".maptldb"},
    {"HKCR", "maptldbFILE"},
    {"HKCR", ".maptl"},
    {"HKCR", "maptlFILE"},
    {"HKLM",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Карта Тальмирской области 2.0"}};

namespace {

bool IsHex(const std::string& text, bool evenLowercase) {
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c)) ||
        (evenLowercase && std::isupper(static_cast<unsigned char>(c))))
      return false;
  return !evenLowercase || text.size() % 2 == 0;
}

bool IsNumber32(const std::string& text) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return std::stoull(text) <= 0xFFFFFFFFull;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
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
  for (const std::string& part : Split(path.substr(start), '\\')) {
    if (part.empty() || part == "." || part == ".." ||
        part.find_first_of("<>:\"/|?*") != std::string::npos)
      return false;
  }
  return true;
}

bool IsAsideOf(const std::string& aside, const std::string& path) {
  return aside.size() == path.size() + 10 && aside.compare(0, path.size(), path) == 0 &&
         aside.compare(path.size(), 2, ".~") == 0 && IsHex(aside.substr(path.size() + 2), false);
}

bool IsProductKey(const std::string& root, const std::string& path) {
  for (const TProductKey& key : kProductKeys)
    if (root == key.root && path == key.path) return true;
  return false;
}

// The checks of one entry after the begin line; empty when it is sound.
std::string EntryFault(const TJournalEntry& e, const std::vector<std::string>& places) {
  const auto isPlace = [&places](const std::string& path) {
    for (const std::string& place : places)
      if (!place.empty() && path == place) return true;
    return false;
  };
  const std::string& kind = e[0];
  if (kind == kJournalAside) {
    if (e.size() != 3) return "a line \"aside\" without its two paths";
    if (!isPlace(e[1])) return "a path that is not the product's: " + e[1];
    if (!IsAsideOf(e[2], e[1])) return "an aside name that is not the path's: " + e[2];
    return std::string();
  }
  if (kind == kJournalNew) {
    if (e.size() != 2) return "a line \"new\" without its one path";
    return isPlace(e[1]) ? std::string() : "a path that is not the product's: " + e[1];
  }
  if (kind == kJournalKey) {
    if (e.size() != 4) return "a line \"key\" without its root, path and snapshot";
    if (!IsProductKey(e[1], e[2])) return "a key that is not the product's: " + e[1] + "\\" + e[2];
    return IsKeySnapshot(e[3]) ? std::string() : "a damaged snapshot of " + e[1] + "\\" + e[2];
  }
  if (kind == kJournalCommit) return e.size() == 1 ? std::string() : "a damaged line \"commit\"";
  if (kind == kJournalBegin) return "a second line \"install\"";
  return "a line of an unknown kind \"" + kind + "\"";
}

}  // namespace

std::string ProgramGroupIn(const std::string& programs) {
  return programs.empty() ? std::string() : programs + "\\" + kProductName;
}

std::string DesktopLinkIn(const std::string& desktop) {
  return desktop.empty() ? std::string() : desktop + "\\" + kProductName + ".lnk";
}

bool IsKeySnapshot(const std::string& text) {
  if (text == "absent") return true;
  const std::vector<std::string> items = Split(text, ' ');
  if (items[0] != "k/") return false;
  for (const std::string& item : items) {
    const std::vector<std::string> f = Split(item, '/');
    const bool key = f[0] == "k" && f.size() == 2 && IsHex(f[1], true);
    const bool value = f[0] == "v" && f.size() == 5 && IsHex(f[1], true) && IsHex(f[2], true) &&
                       IsNumber32(f[3]) && IsHex(f[4], true);
    if (!key && !value) return false;
  }
  return true;
}

std::string JournalFault(const std::vector<TJournalEntry>& entries,
                         const std::function<bool(const std::string&)>& isProductFolder) {
  if (entries.empty() || entries[0].empty() || entries[0][0] != kJournalBegin)
    return "no line \"install\" at its start";
  const TJournalEntry& begin = entries[0];
  if (begin.size() != 4) return "a line \"install\" without its three folders";
  if (!isProductFolder(begin[1])) return "an install folder that is not the product's: " + begin[1];
  for (size_t i = 2; i < 4; ++i)
    if (!begin[i].empty() && !IsPlainAbsolute(begin[i]))
      return "a user folder that is not one: " + begin[i];
  const std::vector<std::string> places = {begin[1], ProgramGroupIn(begin[2]),
                                           DesktopLinkIn(begin[3])};
  for (size_t i = 1; i < entries.size(); ++i) {
    if (entries[i].empty()) return "an empty line";
    if (entries[i - 1][0] == kJournalCommit) return "a line after \"commit\"";
    const std::string fault = EntryFault(entries[i], places);
    if (!fault.empty()) return fault;
  }
  return std::string();
}
