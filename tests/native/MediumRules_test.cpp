// The medium builder (tools/medium/medium_rules.py) refuses what the
// installer could not install; here its lists are held against the
// program's own tables, so that the two cannot drift apart.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "TestData.h"
#include "decoders/uzMethods.h"

namespace {

// The numbers of the set literal `NAME = {...}` in the builder's rules.
std::set<int> PythonSet(const std::string& name) {
  std::ifstream in(TestDataPath("../../tools/medium/medium_rules.py"));
  std::stringstream text;
  text << in.rdbuf();
  std::smatch found;
  const std::string source = text.str();
  if (!std::regex_search(source, found, std::regex(name + R"( = \{([0-9, ]*)\})"))) return {};
  std::set<int> numbers;
  std::stringstream items(found[1].str());
  for (std::string item; std::getline(items, item, ',');) numbers.insert(std::stoi(item));
  return numbers;
}

}  // namespace

TEST(MediumRules, DecodableMethodsAreTheComponentsOwn) {
  std::set<int> decodable;
  for (size_t i = 0; i < uz::kMethodCount; ++i) {
    const uz::TMethod& m = uz::kMethods[i];
    EXPECT_EQ(uz::FindMethod(m.number), &m);
    EXPECT_EQ(uz::MethodName(m.number), m.name);
    if (m.decode) decodable.insert(m.number);
    if (i > 0) {
      EXPECT_LT(uz::kMethods[i - 1].number, m.number);
    }
  }
  EXPECT_EQ(PythonSet("DECODABLE_METHODS"), decodable);
  EXPECT_EQ(uz::MethodName(7), "M7");
  EXPECT_FALSE(uz::IsDecodable(7));
}
