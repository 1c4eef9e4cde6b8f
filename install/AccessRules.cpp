#include "AccessRules.h"

#include <cctype>
#include <cstdlib>

namespace {

constexpr char kAdministrators[] = "S-1-5-32-544";
constexpr char kSystem[] = "S-1-5-18";
constexpr char kTrustedInstaller[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr char kEveryone[] = "S-1-1-0";
constexpr char kOwnerRights[] = "S-1-3-4";

struct TName {
  const char* alias;
  const char* value;
};

// The two-letter account names the system writes for a machine's
// descriptors; a name not listed stays as written (and is nobody trusted).
constexpr TName kAccounts[] = {
    {"BA", kAdministrators}, {"SY", kSystem},    {"BU", "S-1-5-32-545"}, {"AU", "S-1-5-11"},
    {"WD", kEveryone},       {"IU", "S-1-5-4"},  {"CO", "S-1-3-0"},      {"CG", "S-1-3-1"},
    {"OW", kOwnerRights},    {"SU", "S-1-5-6"},  {"NU", "S-1-5-2"},      {"AN", "S-1-5-7"},
    {"LS", "S-1-5-19"},      {"NS", "S-1-5-20"}, {"PU", "S-1-5-32-547"}, {"BG", "S-1-5-32-546"},
    {"BO", "S-1-5-32-551"},  {"RC", "S-1-5-12"}, {"WR", "S-1-5-33"},     {"AC", "S-1-15-2-1"},
    {"RD", "S-1-5-32-555"},
};

// Rights written as two-letter names.
constexpr struct {
  const char* name;
  uint32_t rights;
} kRights[] = {
    {"GA", 0x10000000}, {"GR", 0x80000000}, {"GW", 0x40000000}, {"GX", 0x20000000},
    {"RC", 0x20000},    {"SD", 0x10000},    {"WD", 0x40000},    {"WO", 0x80000},
    {"CC", 0x1},        {"DC", 0x2},        {"LC", 0x4},        {"SW", 0x8},
    {"RP", 0x10},       {"WP", 0x20},       {"DT", 0x40},       {"LO", 0x80},
    {"CR", 0x100},      {"FA", 0x1f01ff},   {"FR", 0x120089},   {"FW", 0x120116},
    {"FX", 0x1200a0},   {"KA", 0xf003f},    {"KR", 0x20019},    {"KW", 0x20006},
    {"KX", 0x20019},
};

// A SID at `text[*at]`, as "S-1-..." or a two-letter name; advances `*at`.
bool ReadAccount(const std::string& text, size_t* at, std::string* sid) {
  size_t end = *at;
  if (text.compare(*at, 2, "S-") == 0) {
    end += 2;
    while (end < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '-'))
      ++end;
  } else {
    end += 2;
  }
  if (end > text.size()) return false;
  *sid = text.substr(*at, end - *at);
  *at = end;
  for (const TName& name : kAccounts) {
    if (*sid == name.alias) *sid = name.value;
  }
  return true;
}

bool ReadRights(const std::string& text, uint32_t* rights) {
  if (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0) {
    char* end = nullptr;
    *rights = static_cast<uint32_t>(std::strtoul(text.c_str() + 2, &end, 16));
    return text.size() > 2 && *end == '\0';
  }
  if (text.size() % 2 != 0) return false;
  *rights = 0;
  for (size_t i = 0; i < text.size(); i += 2) {
    bool known = false;
    for (const auto& right : kRights) {
      if (text.compare(i, 2, right.name) != 0) continue;
      *rights |= right.rights;
      known = true;
    }
    if (!known) return false;
  }
  return true;
}

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == ';') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// One "(type;flags;rights;object;inherited object;account)".
bool ReadEntry(const std::string& text, TAccessEntry* entry) {
  const std::vector<std::string> fields = Fields(text);
  if (fields.size() < 6) return false;
  entry->kind = fields[0] == "A"   ? TAccessEntry::kAllow
                : fields[0] == "D" ? TAccessEntry::kDeny
                                   : TAccessEntry::kOther;
  entry->inheritOnly = false;
  for (size_t i = 0; i + 1 < fields[1].size(); i += 2) {
    if (fields[1].compare(i, 2, "IO") == 0) entry->inheritOnly = true;
  }
  size_t at = 0;
  return ReadRights(fields[2], &entry->rights) && ReadAccount(fields[5], &at, &entry->account) &&
         at == fields[5].size();
}

// The access list after "D:": its flags, then its entries.
bool ReadList(const std::string& text, size_t* at, TSecurity* security) {
  if (text.compare(*at, 17, "NO_ACCESS_CONTROL") == 0) {
    *at += 17;
    security->hasList = false;
    return true;
  }
  security->hasList = true;
  while (*at < text.size() && std::isupper(static_cast<unsigned char>(text[*at])) &&
         (*at + 1 >= text.size() || text[*at + 1] != ':'))
    ++*at;
  while (*at < text.size() && text[*at] == '(') {
    const size_t close = text.find(')', *at);
    if (close == std::string::npos) return false;
    TAccessEntry entry;
    if (!ReadEntry(text.substr(*at + 1, close - *at - 1), &entry)) return false;
    security->entries.push_back(entry);
    *at = close + 1;
  }
  return true;
}

bool AppliesToObject(const TAccessEntry& entry) {
  return entry.kind != TAccessEntry::kDeny && !entry.inheritOnly;
}

}  // namespace

bool ParseSecurity(const std::string& sddl, TSecurity* security) {
  *security = TSecurity();
  size_t at = 0;
  while (at + 1 < sddl.size() && sddl[at + 1] == ':') {
    const char section = sddl[at];
    at += 2;
    std::string group;
    if (section == 'O' && !ReadAccount(sddl, &at, &security->owner)) return false;
    if (section == 'G' && !ReadAccount(sddl, &at, &group)) return false;
    if (section == 'D' && !ReadList(sddl, &at, security)) return false;
    // The audit list says nothing about who may change the object.
    if (section == 'S') return true;
    if (section != 'O' && section != 'G' && section != 'D') return false;
  }
  return at == sddl.size();
}

bool IsTrustedAccount(const std::string& sid, const std::string& self) {
  return sid == kAdministrators || sid == kSystem || sid == kTrustedInstaller ||
         (!self.empty() && sid == self);
}

std::string OtherWhoMay(const TSecurity& security, uint32_t rights, const std::string& self) {
  if (!IsTrustedAccount(security.owner, self))
    return security.owner.empty() ? std::string("nobody (no owner)") : security.owner;
  if (!security.hasList) return kEveryone;
  for (const TAccessEntry& entry : security.entries) {
    if (!AppliesToObject(entry) || !(entry.rights & rights)) continue;
    // What "owner rights" grants, the owner has: trusted, as checked above.
    if (entry.kind == TAccessEntry::kAllow && entry.account == kOwnerRights) continue;
    if (entry.kind == TAccessEntry::kOther || !IsTrustedAccount(entry.account, self))
      return entry.account;
  }
  return std::string();
}

std::vector<std::string> ParentsOf(const std::string& directory) {
  std::vector<std::string> parents;
  if (directory.size() < 3 || directory[1] != ':' || directory[2] != '\\') return parents;
  std::string path = directory;
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  while (path.size() > 3) {
    const size_t slash = path.rfind('\\');
    path.resize(slash == 2 ? 3 : slash);
    parents.push_back(path);
  }
  return parents;
}

TParentVerdict ChangeableParent(const std::vector<TFolderFacts>& parents, const std::string& self) {
  for (size_t i = 0; i < parents.size(); ++i) {
    const TFolderFacts& folder = parents[i];
    // The installation makes the install folder in its parent: a parent that
    // is not there fails it then, and what is above is judged on its own.
    if (folder.missing) continue;
    if (!folder.known) return {folder.path, "", "its owner and access list cannot be read"};
    if (folder.reparsePoint) return {folder.path, "", "it is a link to another place"};
    std::string who = OtherWhoMay(folder.security, rights::kRemove, self);
    if (!who.empty()) return {folder.path, who, "may delete or rename it"};
    if (i + 1 == parents.size() || !parents[i + 1].known) continue;
    who = OtherWhoMay(parents[i + 1].security, rights::kRemoveInside, self);
    if (!who.empty())
      return {folder.path, who, "may delete or rename what " + parents[i + 1].path + " holds"};
  }
  return {};
}
