// The component's message table: every number's text, the table carried in
// the program byte for byte, its record layout, and damaged tables.
#include "streams/uzStrRes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "TestData.h"
#include "uzExceptions.h"

using namespace uz;

TEST(StreamMessages, EveryNumberHasItsText) {
  EXPECT_EQ(StreamMessage(kMsgSeekError), "Seek error");
  EXPECT_EQ(StreamMessage(kMsgInvalidSeekOrigin), "Invalid seek origin (%d)");
  EXPECT_EQ(StreamMessage(kMsgPutbackOverflow), "Putback overflow");
  EXPECT_EQ(StreamMessage(kMsgCannotFindResource), "Cannot find resource");
  EXPECT_EQ(StreamMessage(kMsgCannotAccessResource), "Cannot access resource");
  EXPECT_EQ(StreamMessage(kMsgSeekPastEnd), "Seek past end of resource stream");
  EXPECT_EQ(StreamMessage(kMsgCannotWriteResource), "Cannot write to a resource stream");
}

TEST(StreamMessages, AbsentNumbersGiveEmptyText) {
  EXPECT_EQ(StreamMessage(0), "");
  EXPECT_EQ(StreamMessage(8), "");
  EXPECT_EQ(StreamMessage(-1), "");
  EXPECT_EQ(StreamMessage(0x7FFF), "");
}

TEST(StreamMessages, TableNameIgnoresCase) {
  EXPECT_EQ(LoadMessage("S_STREAM", 1), "Seek error");
  EXPECT_EQ(LoadMessage("s_stream", 3), "Putback overflow");
}

TEST(StreamMessages, MissingTableRaisesBaseException) {
  try {
    LoadMessage("S_Nothing", 1);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "No such string resource: S_Nothing");
    EXPECT_STREQ(e.ClassName(), "Exception");
  }
}

// The program carries exactly the bytes of unzip/streams/S_STREAM.bin: natively as
// data, on Windows as the module resource compiled from uzStrRes.rc.
TEST(StreamMessages, CarriedTableIsTheResourceFile) {
  TRawTable table;
  ASSERT_TRUE(FindStringTable("S_Stream", table));
  ASSERT_EQ(table.size, 180u);
  std::ifstream file(TestDataPath("../../unzip/streams/S_STREAM.bin"), std::ios::binary);
  ASSERT_TRUE(file.good());
  std::vector<uint8_t> expected((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  EXPECT_EQ(std::vector<uint8_t>(table.data, table.data + table.size), expected);
}

TEST(StreamMessages, RecordLayout) {
  TRawTable table;
  ASSERT_TRUE(FindStringTable("S_Stream", table));
  std::size_t at = 0;
  int records = 0;
  while (table.data[at] | table.data[at + 1]) {
    EXPECT_EQ(table.data[at], ++records);
    EXPECT_EQ(table.data[at + 1], 0);
    at += 3 + table.data[at + 2];
    ASSERT_LT(at + 1, table.size);
  }
  EXPECT_EQ(records, 7);
  EXPECT_EQ(at + 2, table.size);  // the end record is the last two bytes
}

TEST(TS_StringResource, WalkStaysInsideDamagedTables) {
  // No end record, and a last record whose length runs past the bytes.
  const uint8_t bytes[] = {1, 0, 2, 'o', 'k', 2, 0, 50, 'x'};
  TS_StringResource damaged(TRawTable{bytes, sizeof bytes});
  EXPECT_EQ(damaged.Message(1), "ok");
  EXPECT_EQ(damaged.Message(2), "");
  EXPECT_EQ(damaged.Message(3), "");

  const uint8_t negative[] = {0xFF, 0xFF, 1, 'n', 0, 0};
  TS_StringResource table(TRawTable{negative, sizeof negative});
  EXPECT_EQ(table.Message(-1), "n");
  EXPECT_EQ(TS_StringResource(TRawTable{nullptr, 0}).Message(1), "");
}
