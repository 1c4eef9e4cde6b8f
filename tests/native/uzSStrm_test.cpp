// The component's buffered file stream over a counting memory stream: reads
// and writes in whole blocks, seeks, flushes and their failures, put-back.
#include "streams/uzSStrm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "uzExceptions.h"

using namespace uz;

namespace {

// A memory stream that counts the calls made to it and can refuse writes.
class TCountingStream : public TStream {
 public:
  explicit TCountingStream(std::size_t size = 0) : data(size) {
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    ++reads;
    readSizes.push_back(count);
    std::size_t n = static_cast<std::size_t>(pos) < data.size()
                        ? std::min(count, data.size() - static_cast<std::size_t>(pos))
                        : 0;
    if (n) std::memcpy(buffer, data.data() + pos, n);
    pos += static_cast<int64_t>(n);
    return n;
  }
  std::size_t Write(const void* buffer, std::size_t count) override {
    writeSizes.push_back(count);
    std::size_t n = std::min(count, acceptLimit);
    if (static_cast<std::size_t>(pos) + n > data.size()) data.resize(pos + n);
    std::memcpy(data.data() + pos, buffer, n);
    pos += static_cast<int64_t>(n);
    return n;
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (origin != 1 || offset != 0) ++moves;
    if (origin == 0) pos = offset;
    if (origin == 1) pos += offset;
    if (origin == 2) pos = static_cast<int64_t>(data.size()) + offset;
    return pos;
  }
  std::vector<uint8_t> data;
  int64_t pos = 0;
  int reads = 0;
  int moves = 0;
  std::vector<std::size_t> readSizes;
  std::vector<std::size_t> writeSizes;
  std::size_t acceptLimit = SIZE_MAX;
};

std::vector<uint8_t> ReadN(TStream& s, std::size_t n) {
  std::vector<uint8_t> out(n);
  out.resize(s.Read(out.data(), n));
  return out;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, std::size_t from, std::size_t n) {
  return std::vector<uint8_t>(v.begin() + from, v.begin() + from + n);
}

}  // namespace

TEST(TS_BufferStream, ReadsThroughTheBufferInBlocks) {
  TCountingStream under(20000);
  TS_BufferStream s(under);
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
  for (std::size_t i = 0; i < 9000; ++i) {
    uint8_t b = 0;
    ASSERT_EQ(s.Read(&b, 1), 1u);
    ASSERT_EQ(b, under.data[i]);
  }
  EXPECT_EQ(under.reads, 2);  // 9000 single bytes cost two fills of 8192
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Reading);
  EXPECT_EQ(ReadN(s, 11000), Slice(under.data, 9000, 11000));
}

TEST(TS_BufferStream, PositionMidBufferDoesNotRefill) {
  TCountingStream under(10000);
  TS_BufferStream s(under);
  ReadN(s, 100);
  EXPECT_EQ(under.reads, 1);
  EXPECT_EQ(s.Position(), 100);
  EXPECT_EQ(s.Seek(100, kSeekBeginning), 100);  // the same place: buffer kept
  EXPECT_EQ(ReadN(s, 50), Slice(under.data, 100, 50));
  EXPECT_EQ(under.reads, 1);
  EXPECT_EQ(under.moves, 0);
  EXPECT_EQ(s.Position(), 150);
  EXPECT_EQ(s.Size(), 10000);
}

TEST(TS_BufferStream, ReadAtEndReturnsZeroAndGoesIdle) {
  TCountingStream under(10);
  TS_BufferStream s(under);
  EXPECT_EQ(ReadN(s, 20).size(), 10u);
  uint8_t b;
  EXPECT_EQ(s.Read(&b, 1), 0u);
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
  EXPECT_EQ(s.Position(), 10);
}

TEST(TS_BufferStream, SeekFromEndCountsBackWhateverTheSign) {
  TCountingStream under(100);
  TS_BufferStream s(under);
  EXPECT_EQ(s.Seek(-4, kSeekEnd), 96);
  EXPECT_EQ(ReadN(s, 10), Slice(under.data, 96, 4));
  EXPECT_EQ(s.Seek(4, kSeekEnd), 96);
  EXPECT_EQ(s.Seek(0, kSeekEnd), 100);
  EXPECT_EQ(s.Seek(-10, kSeekCurrent), 90);
  EXPECT_EQ(ReadN(s, 1), Slice(under.data, 90, 1));
  EXPECT_EQ(s.Seek(200, kSeekBeginning), 200);  // beyond the end is not refused
}

TEST(TS_BufferStream, InvalidOriginRaisesBaseException) {
  TCountingStream under(100);
  TS_BufferStream s(under);
  try {
    s.Seek(0, 3);
    FAIL() << "no exception";
  } catch (const EStreamError&) {
    FAIL() << "must be the base class";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid seek origin (3)");
    EXPECT_STREQ(e.ClassName(), "Exception");
  }
}

TEST(TS_BufferStream, Writing8193BytesFlushesOneFullBlock) {
  TCountingStream under;
  std::vector<uint8_t> bytes(8193);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  {
    TS_BufferStream s(under);
    EXPECT_EQ(s.Write(bytes.data(), bytes.size()), 8193u);
    EXPECT_EQ(under.writeSizes, std::vector<std::size_t>{8192});
    EXPECT_EQ(s.GetState(), TS_BufferStream::State::Writing);
    EXPECT_EQ(s.Position(), 8193);
    EXPECT_EQ(s.Size(), 8193);
  }
  EXPECT_EQ(under.writeSizes, (std::vector<std::size_t>{8192, 1}));  // destroy flushed
  EXPECT_EQ(under.data, bytes);
}

TEST(TS_BufferStream, SeekFlushesPendingWrites) {
  TCountingStream under(16);
  TS_BufferStream s(under);
  s.Write("abcd", 4);
  EXPECT_EQ(s.Position(), 4);
  EXPECT_TRUE(under.writeSizes.empty());
  EXPECT_EQ(s.Seek(8, kSeekBeginning), 8);
  EXPECT_EQ(under.writeSizes, std::vector<std::size_t>{4});
  EXPECT_EQ(std::string(under.data.begin(), under.data.begin() + 4), "abcd");
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
}

TEST(TS_BufferStream, FailedFlushInSeekRaisesSeekError) {
  TCountingStream under;
  under.acceptLimit = 2;
  TS_BufferStream s(under);
  s.Write("abcd", 4);
  try {
    s.Seek(0, kSeekBeginning);
    FAIL() << "no exception";
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Seek error");
  }
}

TEST(TS_BufferStream, FailedFlushEndsWriteCountingTheBufferedChunk) {
  TCountingStream under;
  under.acceptLimit = 100;
  TS_BufferStream s(under);
  std::vector<uint8_t> bytes(20000, 1);
  EXPECT_EQ(s.Write(bytes.data(), bytes.size()), 8192u);
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
}

TEST(TS_BufferStream, WriteAfterReadGoesToTheLogicalPosition) {
  TCountingStream under(100);
  TS_BufferStream s(under);
  ReadN(s, 10);
  s.Write("XY", 2);
  EXPECT_EQ(s.Position(), 12);
  EXPECT_EQ(ReadN(s, 3), Slice(under.data, 12, 3));  // the flush first puts XY at 10
  EXPECT_EQ(under.data[10], 'X');
  EXPECT_EQ(under.data[11], 'Y');
  EXPECT_EQ(s.Position(), 15);
}

TEST(TS_BufferStream, ReadAfterExplicitFlushComesFromTheFile) {
  TCountingStream under(100);
  TS_BufferStream s(under);
  s.Write("XY", 2);
  EXPECT_TRUE(s.Flush());
  EXPECT_EQ(ReadN(s, 3), Slice(under.data, 2, 3));
}

TEST(TS_BufferStream, PutBack) {
  TCountingStream under(100);
  TS_BufferStream s(under);
  uint8_t b = 0;
  EXPECT_THROW(s.PutBack(1), EStreamError);  // no position in the buffer yet
  s.Read(&b, 1);
  s.Read(&b, 1);
  s.PutBack(0xEE);
  EXPECT_EQ(s.Position(), 1);
  s.Read(&b, 1);
  EXPECT_EQ(b, 0xEE);
  s.Seek(0, kSeekBeginning);
  s.Read(&b, 1);
  s.PutBack(b);
  try {
    s.PutBack(b);
    FAIL() << "no exception";
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Putback overflow");
  }
}

TEST(TS_BufferStream, NotificationsFollowFillAndFlush) {
  TCountingStream under(10);
  TS_BufferStream s(under);
  int fills = 0, flushes = 0;
  s.SetAfterFill([&](TS_BufferStream&) { ++fills; });
  s.SetAfterFlush([&](TS_BufferStream&) { ++flushes; });
  ReadN(s, 20);
  EXPECT_EQ(fills, 2);  // the data, then the empty fill at the end
  s.Write("a", 1);
  s.Seek(0, kSeekBeginning);
  EXPECT_EQ(flushes, 1);
}

TEST(TS_BufferStream, SeekAmongBufferedBytesOnlyMovesThePointer) {
  TCountingStream under(20000);
  TS_BufferStream s(under);
  ReadN(s, 100);
  EXPECT_EQ(s.Seek(10, kSeekBeginning), 10);
  EXPECT_EQ(ReadN(s, 20), Slice(under.data, 10, 20));
  EXPECT_EQ(s.Seek(5000, kSeekCurrent), 5030);
  EXPECT_EQ(ReadN(s, 10), Slice(under.data, 5030, 10));
  EXPECT_EQ(s.Seek(0, kSeekBeginning), 0);  // the first buffered byte
  EXPECT_EQ(ReadN(s, 1), Slice(under.data, 0, 1));
  EXPECT_EQ(s.Seek(8192, kSeekBeginning), 8192);  // just behind the buffered bytes
  EXPECT_EQ(under.reads, 1);
  EXPECT_EQ(under.moves, 0);
  EXPECT_EQ(s.Position(), 8192);
  EXPECT_EQ(ReadN(s, 8), Slice(under.data, 8192, 8));  // continues with a fill
  EXPECT_EQ(under.reads, 2);
  EXPECT_EQ(under.moves, 0);
}

TEST(TS_BufferStream, SeekOutsideBufferedBytesStartsAfresh) {
  TCountingStream under(30000);
  TS_BufferStream s(under);
  ReadN(s, 9000);  // the buffer holds 8192..16383
  EXPECT_EQ(s.Seek(8191, kSeekBeginning), 8191);
  EXPECT_EQ(under.moves, 1);
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
  EXPECT_EQ(ReadN(s, 2), Slice(under.data, 8191, 2));
  EXPECT_EQ(s.Seek(8191 + 8192 + 1, kSeekBeginning), 16384);  // one past the buffered bytes
  EXPECT_EQ(under.moves, 2);
  EXPECT_EQ(ReadN(s, 4), Slice(under.data, 16384, 4));
}

TEST(TS_BufferStream, PutBackOfAnotherByteIsNotSeenAgainAfterASeek) {
  TCountingStream under(100);
  TS_BufferStream s(under);
  uint8_t b = 0;
  ReadN(s, 10);
  s.PutBack(0xEE);
  s.Read(&b, 1);
  EXPECT_EQ(b, 0xEE);
  // A seek shows the stream's own bytes again, as it did before seeks within
  // the buffer existed.
  EXPECT_EQ(s.Seek(9, kSeekBeginning), 9);
  s.Read(&b, 1);
  EXPECT_EQ(b, under.data[9]);
}

TEST(TS_BufferStream, LargeReadsMoveWholeChunksPastTheBuffer) {
  TCountingStream under(40000);
  TS_BufferStream s(under);
  EXPECT_EQ(ReadN(s, 20000), Slice(under.data, 0, 20000));
  // Two chunks straight into the caller's memory, the rest through a fill:
  // every underlying read keeps the buffer's size.
  EXPECT_EQ(under.readSizes, (std::vector<std::size_t>{8192, 8192, 8192}));
  EXPECT_EQ(s.Position(), 20000);
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Reading);
  uint8_t b = 0;
  s.PutBack(under.data[19999]);  // the last byte came through the buffer
  s.Read(&b, 1);
  EXPECT_EQ(b, under.data[19999]);
  EXPECT_EQ(s.Seek(19000, kSeekBeginning), 19000);  // still among the buffered bytes
  EXPECT_EQ(under.moves, 0);
  EXPECT_EQ(ReadN(s, 20000), Slice(under.data, 19000, 20000));
  EXPECT_EQ(ReadN(s, 20000), Slice(under.data, 39000, 1000));
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
  EXPECT_EQ(s.Position(), 40000);
}

TEST(TS_BufferStream, LargeReadEndingInsideAChunkStopsAtTheEnd) {
  TCountingStream under(10000);
  TS_BufferStream s(under);
  EXPECT_EQ(ReadN(s, 30000), Slice(under.data, 0, 10000));
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
  EXPECT_EQ(s.Position(), 10000);
}

TEST(TS_BufferStream, LargeWritesMoveWholeChunksPastTheBuffer) {
  TCountingStream under;
  std::vector<uint8_t> bytes(40000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 13);
  int flushes = 0;
  {
    TS_BufferStream s(under);
    s.SetAfterFlush([&](TS_BufferStream&) { ++flushes; });
    EXPECT_EQ(s.Write(bytes.data(), 16000), 16000u);
    EXPECT_EQ(under.writeSizes, std::vector<std::size_t>{8192});
    EXPECT_EQ(s.Position(), 16000);
    EXPECT_EQ(s.Write(bytes.data() + 16000, 24000), 24000u);
    // The pending 7808 bytes are topped up and flushed, then two whole
    // chunks go straight through and 7232 bytes wait.
    EXPECT_EQ(under.writeSizes, (std::vector<std::size_t>{8192, 8192, 8192, 8192}));
    EXPECT_EQ(s.GetState(), TS_BufferStream::State::Writing);
    EXPECT_EQ(s.Position(), 40000);
  }
  EXPECT_EQ(under.writeSizes, (std::vector<std::size_t>{8192, 8192, 8192, 8192, 7232}));
  EXPECT_EQ(flushes, 5);  // a chunk written past the buffer counts as its flush
  EXPECT_EQ(under.data, bytes);
}

TEST(TS_BufferStream, FailedChunkWriteEndsTheWrite) {
  TCountingStream under;
  under.acceptLimit = 100;
  TS_BufferStream s(under);
  std::vector<uint8_t> bytes(8192, 1);
  EXPECT_EQ(s.Write(bytes.data(), bytes.size()), 8192u);
  EXPECT_EQ(s.GetState(), TS_BufferStream::State::Idle);
  EXPECT_EQ(under.writeSizes, std::vector<std::size_t>{8192});
}
