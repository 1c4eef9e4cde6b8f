// The method table: numbers ascending and unique, each found by its number,
// and a name for every number (the medium builder reads the same table).
#include <gtest/gtest.h>

#include "decoders/uzMethods.h"

TEST(MethodTable, NumbersAscendAndEachIsFound) {
  for (size_t i = 0; i < uz::kMethodCount; ++i) {
    const uz::TMethod& m = uz::kMethods[i];
    EXPECT_EQ(uz::FindMethod(m.number), &m);
    EXPECT_TRUE(i == 0 || uz::kMethods[i - 1].number < m.number) << m.name;
  }
  EXPECT_EQ(uz::MethodName(7), "M7");
}
