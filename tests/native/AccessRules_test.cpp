// Who may change a place, read from the descriptors Windows 10 and 11 give
// the places an installer touches (and Wine its Unix modes): one table, each
// place with who besides the trusted accounts may remove it, remove what it
// holds, or change it at all; then the parent check over chains of them.
#include "AccessRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kTI = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
const std::string kUser = "S-1-5-21-3623811015-3361044348-30300820-1001";
// Wine runs every program as this account and makes each file its own, with
// entries from the Unix mode: the owner's and the others' bits.
const std::string kWine = "S-1-5-21-0-0-0-1000";
constexpr char kAU[] = "S-1-5-11";
constexpr char kBU[] = "S-1-5-32-545";
constexpr char kIU[] = "S-1-5-4";
constexpr char kEveryone[] = "S-1-1-0";

struct Place {
  const char* what;
  std::string sddl;
  std::string self;  // the running account where its objects are its own
  // Who else may: remove it, remove what it holds, change it ("" nobody).
  const char* remove;
  const char* removeInside;
  const char* change;
};

// clang-format off
const Place kPlaces[] = {
    {"C:\\ (Windows 10)", "O:" + kTI + "G:" + kTI + "D:PAI(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)S:AI(ML;OINPIO;NW;;;HI)", "", "", "", kAU},
    {"C:\\ (Windows 11)", "O:SYG:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)", "", "", "", kAU},
    {"C:\\Program Files", "O:" + kTI + "G:" + kTI + "D:PAI(A;;FA;;;" + kTI + ")(A;CIIO;GA;;;" + kTI + ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)(A;;0x1200a9;;;S-1-15-2-2)(A;OICIIO;GXGR;;;S-1-15-2-2)", "", "", "", ""},
    {"C:\\ProgramData", "O:SYG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)(A;CI;DCLCRPCR;;;BU)", "", "", "", kBU},
    {"C:\\Users\\Public", "O:SYG:SYD:PAI(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;IU)(A;OICI;0x1301bf;;;SU)(A;OICI;0x1301bf;;;S-1-5-3)", "", kIU, "", kIU},
    {"a folder a user made in their profile", "O:" + kUser + "G:" + kUser + "D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" + kUser + ")", "", kUser.c_str(), kUser.c_str(), kUser.c_str()},
    {"a folder a user made in C:\\", "O:" + kUser + "G:" + kUser + "D:AI(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)(A;ID;FA;;;SY)(A;OICIIOID;GA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)", "", kUser.c_str(), kUser.c_str(), kUser.c_str()},
    {"a folder an administrator made in C:\\", "O:BAG:S-1-5-21-3623811015-3361044348-30300820-513D:AI(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)(A;ID;FA;;;SY)(A;OICIIOID;GA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)", "", kAU, "", kAU},
    {"Wine: a folder of mode 0755", "O:" + kWine + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kWine + ")(A;OICI;0x1200a9;;;WD)", kWine, "", "", ""},
    {"Wine: a folder of mode 0777", "O:" + kWine + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kWine + ")(A;OICI;0x1301ff;;;WD)", kWine, kEveryone, kEveryone, kEveryone},
    {"Wine: a folder of mode 0755 seen by another account", "O:" + kWine + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kWine + ")(A;OICI;0x1200a9;;;WD)", "", kWine.c_str(), kWine.c_str(), kWine.c_str()},
    {"the protected list the setup gives its folders", "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", "", "", "", ""},
    {"the same owned by the running account, where objects are their maker's", "O:" + kUser + "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", kUser, "", "", ""},
    {"owner rights and a denying entry", "O:BAD:P(A;;FA;;;OW)(D;;FA;;;AU)(A;;0x1200a9;;;BU)", "", "", "", ""},
    {"an allowing entry of another kind", "O:BAD:P(OA;;SD;bf967aba-0de6-11d0-a285-00aa003049e2;;BA)", "", "S-1-5-32-544", "", "S-1-5-32-544"},
    {"no access list: everyone may do everything", "O:BAD:NO_ACCESS_CONTROL", "", kEveryone, kEveryone, kEveryone},
    {"an empty access list: only the owner", "O:SYD:P", "", "", "", ""},
    {"no owner", "D:P(A;OICI;FA;;;BA)", "", "nobody (no owner)", "nobody (no owner)", "nobody (no owner)"},
};
// clang-format on

TEST(AccessRules, WhoElseMayRemoveOrChangeEachPlace) {
  for (const Place& place : kPlaces) {
    TSecurity security;
    ASSERT_TRUE(ParseSecurity(place.sddl, &security)) << place.what;
    EXPECT_EQ(OtherWhoMay(security, rights::kRemove, place.self), place.remove) << place.what;
    EXPECT_EQ(OtherWhoMay(security, rights::kRemoveInside, place.self), place.removeInside)
        << place.what;
    EXPECT_EQ(OtherWhoMay(security, rights::kChange, place.self), place.change) << place.what;
  }
}

TEST(AccessRules, TextsTheSystemDoesNotWriteAreNotRead) {
  for (const char* sddl :
       {"O:BAD:P(A;;FA;;;BA", "O:BAD:P(A;;FA;;BA)", "O:BAD:P(A;;XY;;;BA)", "O:BAD:P(A;;0x;;;BA)",
        "O:BAD:P(A;;FA;;;S-1-5-32-544x)", "X:BA", "O:B"}) {
    TSecurity security;
    EXPECT_FALSE(ParseSecurity(sddl, &security)) << sddl;
  }
}

TEST(AccessRules, ParentsFromTheNearestToTheRoot) {
  EXPECT_EQ(ParentsOf("C:\\A\\B\\Карта"), (std::vector<std::string>{"C:\\A\\B", "C:\\A", "C:\\"}));
  EXPECT_EQ(ParentsOf("C:\\Карта\\"), (std::vector<std::string>{"C:\\"}));
  EXPECT_TRUE(ParentsOf("C:\\").empty());
  EXPECT_TRUE(ParentsOf("\\\\server\\share\\Карта").empty());
}

TFolderFacts Folder(const std::string& path, const std::string& sddl, bool link = false) {
  TFolderFacts facts;
  facts.path = path;
  facts.known = ParseSecurity(sddl, &facts.security);
  facts.reparsePoint = link;
  return facts;
}

TFolderFacts Missing(const std::string& path) {
  TFolderFacts facts;
  facts.path = path;
  facts.missing = true;
  return facts;
}

TEST(AccessRules, AParentOthersCanMoveIsNamedWithWhoCan) {
  const std::string root = kPlaces[0].sddl, programFiles = kPlaces[2].sddl;
  const std::string adminMade = kPlaces[7].sddl, userMade = kPlaces[6].sddl;
  const std::string openRoot = "O:SYD:PAI(A;OICI;FA;;;BA)(A;;DT;;;AU)";
  struct Chain {
    const char* what;
    std::vector<TFolderFacts> parents;
    const char* folder;
    std::string account;
  };
  // clang-format off
  const Chain kChains[] = {
      {"below Program Files", {Folder("C:\\Program Files", programFiles), Folder("C:\\", root)}, "", ""},
      {"at the root", {Folder("C:\\", root)}, "", ""},
      {"in a folder an administrator made", {Folder("C:\\Apps", adminMade), Folder("C:\\", root)}, "C:\\Apps", kAU},
      {"in a user's folder", {Folder("C:\\Mine", userMade), Folder("C:\\", root)}, "C:\\Mine", kUser},
      {"deep below an administrator's folder", {Folder("C:\\Apps\\Maps", programFiles), Folder("C:\\Apps", adminMade), Folder("C:\\", root)}, "C:\\Apps", kAU},
      {"a root that lets others delete what it holds", {Folder("C:\\Program Files", programFiles), Folder("C:\\", openRoot)}, "C:\\Program Files", kAU},
      {"a parent that is a link", {Folder("C:\\Program Files", programFiles, true), Folder("C:\\", root)}, "C:\\Program Files", ""},
      {"a root that is a link", {Folder("C:\\Program Files", programFiles), Folder("C:\\", root, true)}, "C:\\", ""},
      {"a parent unread", {Folder("C:\\Program Files", "?"), Folder("C:\\", root)}, "C:\\Program Files", ""},
      {"a parent not there yet, in a root others may not change", {Missing("C:\\Apps"), Folder("C:\\", root)}, "", ""},
      {"a parent not there yet, in a folder others may change", {Missing("C:\\Apps\\New"), Folder("C:\\Apps", adminMade), Folder("C:\\", root)}, "C:\\Apps", kAU},
  };
  // clang-format on
  for (const Chain& chain : kChains) {
    const TParentVerdict verdict = ChangeableParent(chain.parents, "");
    EXPECT_EQ(verdict.folder, chain.folder) << chain.what;
    EXPECT_EQ(verdict.account, chain.account) << chain.what;
    EXPECT_EQ(verdict.folder.empty(), verdict.why.empty()) << chain.what;
  }
}

}  // namespace
