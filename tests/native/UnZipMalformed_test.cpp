// Damaged members, one table row each: the member must fail its check (its
// file removed, the run going on with the next member) or the run must end
// with the component's "Premature end of file reached"; never a crash, a
// hang, or a file outside the destination.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ExtractHarness.h"
#include "TestData.h"
#include "UnZip.h"

namespace {

using testzip::RawMember;

// Packs fields least significant bit first, as every ZIP method does;
// Huffman codes go most significant bit first.
class BitWriter {
 public:
  BitWriter& Bits(uint32_t value, int n) {
    for (int i = 0; i < n; ++i) Bit((value >> i) & 1);
    return *this;
  }
  BitWriter& Code(uint32_t code, int n) {
    for (int i = n - 1; i >= 0; --i) Bit((code >> i) & 1);
    return *this;
  }
  BitWriter& Align() {
    while (count_ != 0) Bit(0);
    return *this;
  }
  BitWriter& Bytes(const std::string& bytes) {
    Align();
    out_ += bytes;
    return *this;
  }
  std::string Done() {
    Align();
    return out_;
  }

 private:
  void Bit(uint32_t b) {
    if (count_ == 0) out_ += '\0';
    out_.back() = char(uint8_t(out_.back()) | (b << count_));
    count_ = (count_ + 1) & 7;
  }
  std::string out_;
  int count_ = 0;
};

enum class Outcome { Rejected, PrematureEnd };

struct Row {
  const char* what;
  uint16_t method;
  std::string data;
  int64_t uncompressedSize = 100;
  Outcome outcome = Outcome::Rejected;
  uint16_t flags = 0;
  int64_t claimedCompressedSize = -1;
  // Edits the finished archive (which starts with the damaged member's local header).
  std::function<void(std::string&)> patch = {};
  uint32_t crc = 0xDEADBEEF;
};

std::vector<Row> Rows() {
  std::vector<Row> rows;
  rows.push_back({"deflate block type 3", 8, "\x07"});
  rows.push_back({"deflate block type 3 after a stored block", 8,
                  std::string("\x00\x02\x00\xFD\xFF"
                              "ab\x07",
                              8)});
  rows.push_back({"deflate stored length and complement disagree", 8,
                  std::string("\x01\x05\x00\x00\x00hello", 10)});
  rows.push_back({"deflate stored block longer than the data", 8,
                  std::string("\x01\x64\x00\x9B\xFFhello", 10)});
  rows.push_back(
      {"deflate code-length code without any code", 8,
       BitWriter().Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4).Bits(0, 12).Done()});
  rows.push_back({"deflate too many literal/length codes", 8,
                  BitWriter().Bits(1, 1).Bits(2, 2).Bits(31, 5).Bits(0, 5).Bits(0, 4).Done()});
  rows.push_back({"deflate distance code 30", 8,
                  BitWriter()
                      .Bits(1, 1)
                      .Bits(1, 2)
                      .Code(0x30 + 'a', 8)
                      .Code(1, 7)
                      .Code(30, 5)
                      .Bits(0, 16)
                      .Done()});
  rows.push_back({"deflate distance before the start of the output", 8,
                  BitWriter().Bits(1, 1).Bits(1, 2).Code(1, 7).Code(3, 5).Bits(0, 16).Done()});
  rows.push_back({"deflate literal/length code 286", 8,
                  BitWriter().Bits(1, 1).Bits(1, 2).Code(0xC6, 8).Bits(0, 16).Done()});
  rows.push_back({"deflate without end of block", 8,
                  BitWriter().Bits(1, 1).Bits(1, 2).Code(0x30 + 'a', 8).Done()});
  rows.push_back({"shrink code not yet defined", 1,
                  BitWriter().Bits('A', 9).Bits(400, 9).Bits('B', 9).Done()});
  {
    BitWriter w;
    w.Bits('A', 9);
    int size = 9;
    for (int i = 0; i < 5; ++i, ++size) w.Bits(256, size).Bits(1, size);  // up to 14 bits
    rows.push_back({"shrink 14-bit codes", 1, w.Bits(9000, size).Bits(16000, size).Done()});
  }
  rows.push_back({"shrink control code with an unknown sub-code", 1,
                  BitWriter().Bits('A', 9).Bits(256, 9).Bits(7, 9).Bits('B', 9).Done()});
  rows.push_back({"shrink partial clear then a freed code", 1,
                  BitWriter()
                      .Bits('A', 9)
                      .Bits('B', 9)
                      .Bits(257, 9)
                      .Bits(256, 9)
                      .Bits(2, 9)
                      .Bits(258, 9)
                      .Done()});
  rows.push_back(
      {"reduce data far shorter than its size", 2, std::string("\x00\x00\x41", 3), 1 << 20});
  rows.push_back({"implode trees that do not add up", 6, std::string("\x00\x0F\x00\x0F", 4)});
  rows.push_back({"implode with three trees, data cut short", 6, std::string("\x00\xFF", 2), 100,
                  Outcome::Rejected, 0x0006});
  rows.push_back({"method 7", 7, "abc"});
  rows.push_back({"stored data longer than its size", 0, std::string(40000, 's'), 1000});
  // A CRC that matches what was written is not enough: the size must too.
  rows.push_back(
      {"method 7 with a stored CRC of 0", 7, "abc", 100, Outcome::Rejected, 0, -1, {}, 0});
  rows.push_back({"deflate decoding to nothing with a stored CRC of 0",
                  8,
                  "\x03\x00",
                  100,
                  Outcome::Rejected,
                  0,
                  -1,
                  {},
                  0});
  rows.push_back({"stored data shorter than its size with the CRC of what is there",
                  0,
                  "abc",
                  5,
                  Outcome::Rejected,
                  0,
                  -1,
                  {},
                  0x352441C2});
  rows.push_back(
      {"encrypted with less than a header of data", 0, "abc", 3, Outcome::Rejected, 0x0001});
  rows.push_back({"encrypted with a compressed size past 2 GiB", 0, std::string(20, 'e'), 20,
                  Outcome::Rejected, 0x0001, 0x80000005});
  rows.push_back({"compressed size beyond the end of the archive", 8, "\x03\x00", 0,
                  Outcome::PrematureEnd, 0, 1000000});
  rows.push_back({"stored size beyond the end of the archive", 0, "abc", 1000000,
                  Outcome::PrematureEnd, 0, 1000000});
  rows.push_back({"local extra field length past the end", 0, "abc", 3, Outcome::PrematureEnd, 0,
                  -1, [](std::string& a) { a[28] = char(0xFF), a[29] = char(0xFF); }});
  return rows;
}

class Malformed : public ::testing::TestWithParam<Row> {};

TEST_P(Malformed, FailsCleanly) {
  const Row& row = GetParam();
  testzip::ScratchFolder in, out;
  testzip::ScriptUI ui;
  uz::TUnZip zip(&ui);
  RawMember bad;
  bad.name = "bad.bin";
  bad.method = row.method;
  bad.flags = row.flags;
  bad.data = row.data;
  bad.uncompressedSize = row.uncompressedSize;
  bad.compressedSize = row.claimedCompressedSize;
  bad.crc = row.crc;
  std::string archive = testzip::BuildArchive({bad, testzip::Stored("ok.txt", "fine")});
  if (row.patch) row.patch(archive);
  testzip::WriteText(in / "a.zip", archive);
  zip.SetZipName(in / "a.zip");
  zip.SetDestDir(out.Path());
  zip.SetDoAll(true);
  int badCrc = 0, skipped = 0;
  zip.OnBadCRC = [&](uz::TObject*, int32_t, int32_t, int) { ++badCrc; };
  zip.OnSkippingFile = [&](uz::TObject*, uz::TSkipReason, int) { ++skipped; };
  if (row.outcome == Outcome::PrematureEnd) {
    try {
      zip.ExtractFiles();
      ADD_FAILURE() << "no exception";
    } catch (const uz::EFatalUnzipError& e) {
      EXPECT_STREQ(e.what(), "Premature end of file reached");
    }
    EXPECT_TRUE(out.Files().empty());
  } else {
    EXPECT_EQ(zip.ExtractFiles(), 1);
    EXPECT_EQ(badCrc + skipped, 1);
    EXPECT_EQ(out.Files(), std::vector<std::string>{"ok.txt"});
    EXPECT_EQ(zip.TestFiles(), 1);
  }
  EXPECT_EQ(in.Files(), std::vector<std::string>{"a.zip"});
}

// Found by fuzzing: ZIP64 sizes near the top of the 64-bit range, which a
// skip past an encrypted member's data once added to its position. They
// came from what follows the streamed member's data (the next local header)
// taken as its descriptor; no descriptor stands there, so the member now
// fails as such, before any password or position is tried.
TEST(MalformedArchive, Zip64SizesNearTheLimitOverflowNoPosition) {
  testzip::ScratchFolder out;
  testzip::ScriptUI ui;
  uz::TUnZip zip(&ui);
  // The fuzz corpus keeps the input.
  zip.SetZipName(TestDataPath("../fuzz/corpus/extract/zip64-size-overflowing-a-seek.zip"));
  zip.SetDestDir(out.Path());
  zip.SetDoAll(true);
  zip.SetPassword("secret");
  testzip::EventRecorder events(zip);
  EXPECT_EQ(zip.ExtractFiles(), 0);
  EXPECT_EQ(events.lines, (std::vector<std::string>{"StartUnZipInfo 1 0", "BadCRC 0 0 0"}));
  EXPECT_EQ(zip.MemberFault(), uz::TMemberFault::NoDescriptor);
  EXPECT_TRUE(out.Files().empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, Malformed, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           std::string name;
                           for (const char* p = info.param.what; *p; ++p)
                             name += std::isalnum(uint8_t(*p)) ? *p : '_';
                           return name;
                         });

}  // namespace
