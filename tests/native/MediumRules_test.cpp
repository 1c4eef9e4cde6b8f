// The medium builder (tools/medium/medium_rules.py) refuses what the
// installer could not install; here its list of methods is held against the
// component's method table, and its archive folders against the component
// table, so that they cannot drift apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "Components.h"
#include "TestData.h"
#include "decoders/uzMethods.h"

TEST(MediumRules, DecodableMethodsAreTheComponentsOwn) {
  std::set<int> table, rules;
  for (size_t i = 0; i < uz::kMethodCount; ++i) {
    const uz::TMethod& m = uz::kMethods[i];
    EXPECT_EQ(uz::FindMethod(m.number), &m);  // numbers ascending and unique
    EXPECT_TRUE(i == 0 || uz::kMethods[i - 1].number < m.number) << m.name;
    if (m.decode) table.insert(m.number);
  }
  std::stringstream text;
  text << std::ifstream(TestDataPath("../../tools/medium/medium_rules.py")).rdbuf();
  const std::string source = text.str();
  std::smatch set;
  ASSERT_TRUE(std::regex_search(source, set, std::regex(R"(DECODABLE_METHODS = \{([0-9, ]*)\})")));
  std::stringstream items(set[1].str());
  for (std::string item; std::getline(items, item, ',');) rules.insert(std::stoi(item));
  EXPECT_EQ(rules, table);
  EXPECT_EQ(uz::MethodName(7), "M7");
}

// The builder places members by the component table's archive folders: the
// same folders in the same order, to the same destinations (each one a folder
// the installation makes), "always" for the fixed components'.
TEST(MediumRules, ArchiveFoldersAreTheComponentTables) {
  std::stringstream text;
  text << std::ifstream(TestDataPath("../../tools/medium/medium_rules.py")).rdbuf();
  const std::string source = text.str();
  std::smatch list;
  ASSERT_TRUE(std::regex_search(source, list, std::regex(R"(FOLDERS = \[([^\]]*)\])")));
  const std::string rows = list[1].str();
  const std::regex row(R"re(\("(\w+)", "([^"]*)", (True|False)\))re");
  std::vector<std::string> rules, table;
  for (std::sregex_iterator i(rows.begin(), rows.end(), row), end; i != end; ++i)
    rules.push_back((*i)[1].str() + " " + (*i)[2].str() + " " + (*i)[3].str());
  for (const TArchiveFolderRow& f : kArchiveFolders) {
    const std::string to = f.destination;
    EXPECT_TRUE(std::any_of(std::begin(kInstallFolders), std::end(kInstallFolders),
                            [&](const char* made) { return to == made; }))
        << f.folder;
    // As the Python source writes it: no leading "\", each "\" escaped.
    const std::string written =
        std::regex_replace(to.substr(to.empty() ? 0 : 1), std::regex(R"(\\)"), R"(\\)");
    table.push_back(std::string(f.folder) + " " + written + " " +
                    (kComponents[f.component].optional ? "False" : "True"));
  }
  EXPECT_EQ(rules, table);
}
