// zipextract's command line, run in-process: options, listing format,
// comment output, error lines and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ExtractHarness.h"
#include "Options.h"
#include "Parts.h"
#include "Progress.h"
#include "Session.h"
#include "TestData.h"
#include "ZipFixture.h"
#include "ZipBuilder.h"

namespace zipextract {
namespace {

struct RunResult {
  int status;
  std::string out, err;
};

RunResult Zipextract(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunZipextract(args, out, err);
  return {status, out.str(), err.str()};
}

testzip::BuildMember Member(const std::string& name, const std::string& data) {
  testzip::BuildMember m;
  m.name = name;
  m.data = data;
  return m;
}

// ---- Options ----

TEST(ZipextractOptions, EveryOptionSetsItsField) {
  TOptions o;
  std::string error;
  ASSERT_TRUE(ParseArguments({"-d",           "out",
                              "-a",           "-r",
                              "--root",       "top",
                              "-o",           "never",
                              "-P",           "pw",
                              "--sort",       "ByRate",
                              "--assume-bad", "--no-attributes",
                              "--events",     "-q",
                              "a.zip",        "*.txt",
                              "--",           "-x"},
                             o, error))
      << error;
  EXPECT_EQ(o.action, TAction::Extract);
  EXPECT_EQ(o.destDir, "out");
  EXPECT_TRUE(o.doAll);
  EXPECT_TRUE(o.recreateDirs);
  EXPECT_EQ(o.rootDir, "top");
  EXPECT_EQ(o.overwrite, uz::TUZOverwriteMode::Never);
  EXPECT_EQ(o.password, "pw");
  EXPECT_EQ(o.sortMode, uz::TZipSortMode::ByRate);
  EXPECT_TRUE(o.assumeBad);
  EXPECT_FALSE(o.retainAttributes);
  EXPECT_TRUE(o.events);
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.archive, "a.zip");
  EXPECT_EQ(o.patterns, (std::vector<std::string>{"*.txt", "-x"}));
}

TEST(ZipextractOptions, DefaultsAndActions) {
  TOptions o;
  std::string error;
  ASSERT_TRUE(ParseArguments({"-l", "a.zip"}, o, error));
  EXPECT_EQ(o.action, TAction::List);
  EXPECT_EQ(o.overwrite, uz::TUZOverwriteMode::Prompt);
  EXPECT_EQ(o.sortMode, uz::TZipSortMode::ByNone);
  EXPECT_TRUE(o.retainAttributes);
  EXPECT_FALSE(o.doAll);
  EXPECT_TRUE(o.patterns.empty());
  TOptions z;
  ASSERT_TRUE(ParseArguments({"a.zip", "-z"}, z, error));
  EXPECT_EQ(z.action, TAction::Comment);
}

TEST(ZipextractOptions, ActionsOfTheUsualTools) {
  struct Row {
    std::vector<std::string> args;
    TAction action;
  };
  const Row rows[] = {{{"-t", "a.zip"}, TAction::Test},
                      {{"a.zip", "-v"}, TAction::VerboseList},
                      {{"-h"}, TAction::Help},
                      {{"--help"}, TAction::Help},
                      {{"--version"}, TAction::Version}};
  for (const Row& row : rows) {
    TOptions o;
    std::string error;
    ASSERT_TRUE(ParseArguments(row.args, o, error)) << row.args[0] << ": " << error;
    EXPECT_EQ(o.action, row.action) << row.args[0];
  }
  RunResult help = Zipextract({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, Usage());
  EXPECT_EQ(help.err, "");
  RunResult version = Zipextract({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "zipextract 2.10\n");
}

TEST(ZipextractOptions, SortModeNamesGoBothWays) {
  for (const char* name : {"ByName", "ByFileName", "ByDirectoryName", "ByDate", "ByCompressedSize",
                           "ByUnCompressedSize", "ByRate", "ByNone"}) {
    uz::TZipSortMode mode;
    ASSERT_TRUE(SortModeFromName(name, mode)) << name;
    EXPECT_STREQ(SortModeName(mode), name);
  }
  uz::TZipSortMode mode;
  EXPECT_FALSE(SortModeFromName("byname", mode));
}

TEST(ZipextractOptions, BadCommandLinesExitWithTwo) {
  const std::vector<std::vector<std::string>> bad = {{},
                                                     {"-l"},
                                                     {"-x", "a.zip"},
                                                     {"-o", "sometimes", "a.zip"},
                                                     {"--sort", "BySize", "a.zip"},
                                                     {"a.zip", "-d"}};
  for (const auto& args : bad) {
    const RunResult r = Zipextract(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("zipextract: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("usage: zipextract"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
}

TEST(ZipextractParts, SplitPartsAreNamedAfterTheLastPart) {
  EXPECT_EQ(PartFileName("d/set.zip", 1, 2), "d/set.z01");
  EXPECT_EQ(PartFileName("d/set.zip", 2, 2), "d/set.z02");
  EXPECT_EQ(PartFileName("d/set.zip", 3, 2), "d/set.zip");
  EXPECT_EQ(PartFileName("SET.ZIP", 1, 1), "SET.Z01");
  EXPECT_EQ(PartFileName("set.zip", 100, 106), "set.z100");
  EXPECT_EQ(PartFileName("noext", 1, 1), "noext.z01");
}

// ---- Listing and comment ----

TEST(ZipextractList, OneTabSeparatedLinePerMember) {
  testzip::ZipBuilder b;
  b.members = {Member("dir/b.txt", "hello"), Member("a.txt", "hi"), Member("dir/", "")};
  b.members[1].externalAttributes = 0x21;
  b.members[1].flags = 0x0800;
  b.members[0].dateTime = 0x5A8C6C01;
  testzip::TempFile file(b.Build());
  const std::vector<uint32_t> at = b.Offsets();
  const RunResult r = Zipextract({"-l", file.Path()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "0\t0\t0000\t5\t5\t3610a686\t5a8c6c01\t00000020\t0\t0\tdir\\b.txt\n"
            "1\t0\t0800\t2\t2\td8932aac\t5a8c6c00\t00000021\t0\t" +
                std::to_string(at[1]) + "\ta.txt\n" +
                "2\t0\t0000\t0\t0\t00000000\t5a8c6c00\t00000020\t0\t" + std::to_string(at[2]) +
                "\tdir\\\n");
  const RunResult sorted = Zipextract({"--sort", "ByName", "-l", file.Path()});
  EXPECT_EQ(sorted.out.substr(0, 2), "0\t");
  EXPECT_NE(sorted.out.find("\ta.txt\n1\t"), std::string::npos) << sorted.out;
}

TEST(ZipextractList, CommentIsPrintedRaw) {
  testzip::ZipBuilder b;
  b.members = {Member("a", "x")};
  b.archiveComment = std::string("line 1\r\nline 2\x01", 15);
  testzip::TempFile file(b.Build());
  const RunResult r = Zipextract({"-z", file.Path()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, b.archiveComment + "\n");
  testzip::ZipBuilder none;
  testzip::TempFile empty(none.Build());
  EXPECT_EQ(Zipextract({"-z", empty.Path()}).out, "\n");
}

// ---- Extracting, testing, listing for people ----

// One archive with a good member at the top, one in a folder and one whose
// stored CRC is wrong: no pattern selects all three, -t writes nothing and
// names the bad one, extraction keeps the two good ones.
TEST(ZipextractRun, TestExtractAndVerboseListing) {
  testzip::RawMember bad = testzip::Stored("bad.txt", "spoilt");
  bad.crc ^= 1;
  testzip::TempFile file(testzip::BuildArchive(
      {testzip::Stored("a.txt", "hello"), testzip::Stored("d/b.txt", "folder"), bad}));
  testzip::ScratchFolder scratch;
  const std::string dest = scratch / "out";
  const std::string badLine = "zipextract: bad.txt: bad CRC ";

  RunResult t = Zipextract({"-t", "-d", dest, file.Path()});
  EXPECT_EQ(t.status, 1);
  EXPECT_EQ(t.err.find(badLine), 0u) << t.err;
  EXPECT_NE(t.err.find("\nzipextract: 2 of 3 members tested OK, 11 bytes checked\n"),
            std::string::npos)
      << t.err;
  EXPECT_FALSE(testzip::Exists(dest));
  t = Zipextract({"-t", "-q", file.Path(), "*b.txt"});
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.err, "");

  const RunResult x = Zipextract({"-q", "-d", dest, file.Path()});
  EXPECT_EQ(x.status, 1);
  EXPECT_EQ(x.err.find(badLine), 0u) << x.err;
  EXPECT_EQ(std::count(x.err.begin(), x.err.end(), '\n'), 1) << x.err;
  EXPECT_EQ(scratch.Files(), (std::vector<std::string>{"out/a.txt", "out/b.txt"}));
  EXPECT_EQ(testzip::ReadText(dest + "/b.txt"), "folder");

  const RunResult v = Zipextract({"-v", "--sort", "ByUnCompressedSize", file.Path()});
  EXPECT_EQ(v.status, 0);
  auto row = [](const testzip::RawMember& m, const char* name) {
    char text[128];
    std::snprintf(text, sizeof text, "%12zu  Stored   %12zu     0%%  2025-04-12 13:32  %08x  %s\n",
                  m.data.size(), m.data.size(), m.crc, name);
    return std::string(text);
  };
  EXPECT_EQ(
      v.out,
      "      Length  Method           Size  Saved  Date       Time   CRC-32    Name\n"
      "------------  -------  ------------  -----  ----------------  --------  ----\n" +
          row(testzip::Stored("d/b.txt", "folder"), "d\\b.txt") + row(bad, "bad.txt") +
          row(testzip::Stored("a.txt", "hello"), "a.txt") +
          "------------           ------------  -----                              ----\n"
          "          17                     17     0%                              3 members\n");
}

// A member whose CRC matches but whose size does not is named with both
// sizes, not with two equal CRCs; a size wrong by 4 GiB fails like any other.
// Where both match but the decoder found the data bad, the method is named.
TEST(ZipextractRun, ASizeOrDataThatFailsIsNamed) {
  auto wrong = [](const char* name, const std::string& data, int64_t size) {
    testzip::RawMember m = testzip::Stored(name, data);
    m.uncompressedSize = size;
    m.crc = testzip::Crc32(reinterpret_cast<const uint8_t*>(data.data()),
                           size_t(std::min<int64_t>(size, int64_t(data.size()))));
    return m;
  };
  auto bad = [](const char* name, uint16_t method, const char* data, const std::string& content) {
    testzip::RawMember m = testzip::Stored(name, content);
    m.method = method, m.data = data, m.uncompressedSize = int64_t(content.size());
    return m;
  };
  const struct {
    testzip::RawMember member;
    const char* err;
  } rows[] = {
      {wrong("five.txt", "hello", (int64_t{1} << 32) + 5), "bad size 5 (stored 4294967301)"},
      {wrong("six.txt", "hello", (int64_t{1} << 32) + 6), "bad size 5 (stored 4294967302)"},
      {wrong("big.bin", std::string(40000, 'z'), 32000),
       "bad size: more than 32000 bytes (stored 32000)"},
      {bad("empty.txt", 8, "\xFF", ""), "bad Deflate data after 0 bytes of output (block type 3)"},
      // "hello" in 9-bit codes, then code 300, not yet defined
      {bad("cut.txt", 1, "\x68\xCA\xB0\x61\xF3\x86\x25", "hello"),
       "bad Shrunk data after 5 bytes of output"},
  };
  for (const auto& row : rows) {
    testzip::TempFile file(testzip::BuildArchive({row.member}));
    const RunResult t = Zipextract({"-t", "-q", file.Path()});
    EXPECT_EQ(t.status, 1);
    EXPECT_EQ(t.err, "zipextract: " + row.member.name + ": " + row.err + "\n");
  }
}

// The cap on the processor path only lowers; a value it does not know is
// named before the run, which goes on.
TEST(ZipextractRun, AnUnknownProcessorPathIsNamedOnce) {
  testzip::TempFile file(testzip::BuildArchive({testzip::Stored("a.txt", "alpha")}));
  putenv(const_cast<char*>("UZ_PROCESSOR_PATH=fast"));
  const RunResult t = Zipextract({"-t", "-q", file.Path()});
  putenv(const_cast<char*>("UZ_PROCESSOR_PATH="));
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.err,
            "zipextract: UZ_PROCESSOR_PATH=fast names no processor path (plain, clmul, "
            "bmi2, wide): the plain path is taken\n");
}

// Small runs draw nothing; a large one redraws at most every quarter second
// over the previous line, cuts long names at the front (by characters, not
// bytes) and wipes what it drew.
TEST(ZipextractProgress, RedrawnInPlaceAndWipedAtTheEnd) {
  std::ostringstream err;
  double now = 0;
  {
    TProgressLine line(err, [&now] { return now; });
    line.Start(TProgressLine::kMinimumBytes - 1);
    now = 1;
    line.Percent(50);
    line.Start(uint64_t(4) << 30);
    line.Member("big\\" + std::string(100, 'x') + "\xC3\xA4.bin");
    now = 1.1;
    line.Percent(1);
    EXPECT_EQ(err.str(), "");
    now = 3;
    line.Percent(50);
    now = 3.1;
    line.Percent(60);
    now = 5;
    line.Member("a");
    line.Percent(100);
  }
  EXPECT_EQ(err.str(), "\r 50%  2.0 GiB of 4.0 GiB  1.0 GiB/s  ..." + std::string(34, 'x') +
                           "\xC3\xA4.bin" + "\r100%  4.0 GiB of 4.0 GiB  1.0 GiB/s  a" +
                           std::string(41, ' ') + "\r" + std::string(38, ' ') + "\r")
      << err.str();
  EXPECT_EQ(HumanBytes(1023), "1023 B");
  EXPECT_EQ(HumanBytes(1536), "1.5 KiB");
}

// ---- Errors ----

TEST(ZipextractErrors, OneLineNamingArchiveClassAndMessage) {
  testzip::TempFile junk(std::string(100, 'j'));
  RunResult r = Zipextract({"-l", junk.Path()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, junk.Path() + ": EIncompleteZip: Incomplete Zip File\n");
  r = Zipextract({"-l", "--assume-bad", junk.Path()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");

  const std::string missing = TestDataPath("zip/missing.zip");
  r = Zipextract({"-l", missing});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind(missing + ": EFOpenError: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST(ZipextractErrors, EventsShowTheIncompleteArchiveQuestion) {
  testzip::TempFile junk(std::string(30, 'j'));
  const RunResult r = Zipextract({"-l", "--events", junk.Path()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "OnInCompleteZip IncompleteMode=izAssumeMulti\n");
}

// ---- Damaged archives: every member accounted for ----

using Files = std::vector<std::pair<std::string, std::string>>;  // the last is the archive

// Members by their local headers alone, as an archive cut before its
// central directory holds them; a streamed one gives its sizes and CRC.
Files LocalOnly(std::vector<testzip::BuildMember> members, const std::string& after = "") {
  testzip::ZipBuilder b;
  b.members = std::move(members);
  b.writeCentral = b.writeEnd = false;
  return {{"a.zip", b.Build() + after}};
}
testzip::BuildMember Streamed(const std::string& name, const std::string& data) {
  testzip::BuildMember m = Member(name, data);
  m.flags = 0x0008;
  return m;
}

// Two members whose central directory runs from set.z01 onto set.zip, cut
// `into` bytes into the second record; set.zip goes on with `filler`.
Files SplitDirectory(size_t into, char filler) {
  testzip::ZipBuilder b;
  b.members = {Member("a.txt", "alpha"), Member("b.txt", "beta")};
  b.writeEnd = false;
  const std::string bytes = b.Build();
  const size_t directory = bytes.size() - 2 * (46 + 5), cut = directory + 46 + 5 + into;
  return {{"set.z01", bytes.substr(0, cut)},
          {"set.zip", std::string(bytes.size() - cut, filler) +
                          testzip::EndRecord(2, uint32_t(bytes.size() - directory),
                                             uint32_t(directory), "", 1, 0)}};
}

Files WithMethod(const char* name, uint16_t method, uint16_t flags) {
  testzip::RawMember m = testzip::Stored(name, "aaaaaaaaaaaaaaaaaaaa");
  m.method = method, m.flags = flags;
  return {{"a.zip", testzip::BuildArchive({m})}};
}

// Archives that recovery once read wrong: a member that passed on made-up
// values, members lost without a word, a reason that misled. A member that
// cannot be found or read fails, named with why. "@" stands for the archive.
TEST(ZipextractDamaged, EveryMemberIsReadOrNamedWithItsReason) {
  testzip::BuildMember big = Member("big.bin", std::string(65536, 'x'));
  big.descriptor = testzip::BuildMember::Descriptor::Signed16;
  big.localSizes = testzip::BuildMember::LocalSizes::Zero;
  Files encrypted = {{"a.zip", testzip::ReadText(TestDataPath("zip/encrypted/"
                                                              "zipcrypto-stored-one.zip"))}};
  encrypted[0].second.at(30 + 8 + 12) ^= 0x20;  // its first byte of data
  const std::string missing = "zipextract: a.txt: no data descriptor follows its data\n";
  const std::string broken =
      "@: EFatalUnzipError: The central directory does not go on at the "
      "start of part 2\n";
  const std::string unknown = "Zip Error: Unknown Compression Method\n";
  const std::string none = "zipextract: 0 of 1 members tested OK, 0 bytes checked\n";
  const struct {
    Files files;
    const char* password;
    int status;
    std::string err;
  } rows[] = {
      // A descriptor in the file's last bytes, 65536 bytes after the data's start.
      {LocalOnly({big}), "", 0, "zipextract: 1 of 1 members tested OK, 65536 bytes checked\n"},
      // No descriptor: zeros after the data, the next local header after it.
      {LocalOnly({Streamed("a.txt", "hello")}, std::string(16, '\0')), "", 1, missing + none},
      {LocalOnly({Streamed("a.txt", "hello"), Member("b.txt", "beta"), Member("c.txt", "gamma")}),
       "", 1, missing + "zipextract: 2 of 3 members tested OK, 9 bytes checked\n"},
      // The next part does not go on with the directory, between records or inside one.
      {SplitDirectory(0, '\0'), "", 2, broken},
      {SplitDirectory(10, '\0'), "", 2, broken},
      {SplitDirectory(10, 'x'), "", 2, broken},
      {{{"a.zip", testzip::BuildArchive({testzip::Stored("", "x")})}},
       "",
       1,
       "zipextract: the member at offset 0: it has no name\n" + none},
      // The right password, a data byte changed.
      {encrypted, "test", 1, "zipextract: test.txt: bad CRC ee190a0f (stored 5579202f)\n" + none},
      {WithMethod("secret", 99, 0x0001), "", 1,
       unknown + "zipextract: secret: method 99 (AES) is not supported\n" + none},
      {WithMethod("lots-of-as", 12, 0), "", 1,
       unknown + "zipextract: lots-of-as: method 12 (BZip2) is not supported\n" + none},
  };
  for (const auto& row : rows) {
    testzip::ScratchFolder folder;
    for (const auto& file : row.files) testzip::WriteText(folder / file.first, file.second);
    const std::string archive = folder / row.files.back().first;
    std::vector<std::string> args = {"--assume-bad", "-t", archive};
    if (*row.password) args.insert(args.begin(), {"-P", row.password});
    const RunResult r = Zipextract(args);
    std::string err = row.err;
    if (err[0] == '@') err.replace(0, 1, archive);
    EXPECT_EQ(r.status, row.status) << err;
    EXPECT_EQ(r.err, err);
  }
}

// ---- Multi-part ----

TEST(ZipextractMultipart, PartsAreFoundBesideTheArchive) {
  const RunResult r =
      Zipextract({"-l", "--events", TestDataPath("zip/multipart/infozip-split-2.zip")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
}

// ---- Every test archive ----

// The rows of a listing without their index fields. Rows are found by their
// running index, since a name may hold a line end.
std::vector<std::string> RowsWithoutIndex(const std::string& out) {
  std::vector<std::string> rows;
  size_t start = 0;
  for (int index = 0; start < out.size(); ++index) {
    const std::string head = std::to_string(index) + "\t";
    EXPECT_EQ(out.compare(start, head.size(), head), 0) << "row " << index;
    const std::string next = "\n" + std::to_string(index + 1) + "\t";
    size_t end = out.find(next, start);
    end = end == std::string::npos ? out.size() : end + 1;
    rows.push_back(out.substr(start + head.size(), end - start - head.size()));
    start = end;
  }
  return rows;
}

// Every archive in every sort mode: one error line "ARCHIVE: EClass: text",
// or a listing with the same rows as in physical order.
TEST(ZipextractAllArchives, EverySortModeListsTheSameRows) {
  namespace fs = std::filesystem;
  const char* modes[] = {"ByName",           "ByFileName",         "ByDirectoryName", "ByDate",
                         "ByCompressedSize", "ByUnCompressedSize", "ByRate"};
  int listed = 0;
  for (const auto& entry : fs::recursive_directory_iterator(TestDataPath("zip"))) {
    if (entry.path().extension() != ".zip") continue;
    const std::string archive = entry.path().string();
    for (bool assumeBad : {false, true}) {
      auto args = [&](const char* mode) {
        std::vector<std::string> a = {"-l", "--sort", mode, archive};
        if (assumeBad) a.insert(a.begin(), "--assume-bad");
        return a;
      };
      const RunResult physical = Zipextract(args("ByNone"));
      if (physical.status == 2) {
        EXPECT_EQ(physical.err.rfind(archive + ": E", 0), 0u) << physical.err;
        EXPECT_EQ(std::count(physical.err.begin(), physical.err.end(), '\n'), 1) << physical.err;
        continue;
      }
      ASSERT_EQ(physical.status, 0) << archive;
      ++listed;
      std::vector<std::string> expected = RowsWithoutIndex(physical.out);
      std::sort(expected.begin(), expected.end());
      for (const char* mode : modes) {
        const RunResult r = Zipextract(args(mode));
        ASSERT_EQ(r.status, 0) << archive << " " << mode;
        std::vector<std::string> rows = RowsWithoutIndex(r.out);
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(rows, expected) << archive << " " << mode;
      }
    }
  }
  EXPECT_GE(listed, 150);
}

}  // namespace
}  // namespace zipextract
