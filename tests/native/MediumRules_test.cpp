// The medium builder (tools/medium/medium_rules.py) refuses what the
// installer could not install; here its list of methods is held against the
// component's method table, so that the two cannot drift apart.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

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
