// Whole extractions through TUnZip::ExtractFiles: the run and its counting,
// the events and their order, overwrite policy, passwords, dates and
// attributes, and what remains on disk after failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <functional>
#include <cstdio>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "ExtractHarness.h"
#include "TestData.h"
#include "UnZip.h"
#include "ZipFixture.h"

// While set, allocations that may fail do (the decoders' work areas are the
// only ones the component makes).
static bool refuseNothrowAllocations = false;

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (refuseNothrowAllocations) return nullptr;
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

namespace {

using testzip::EventRecorder;
using testzip::RawMember;
using testzip::ScratchFolder;
using testzip::Stored;

std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

class Extraction : public ::testing::Test {
 protected:
  // Writes the archive and points the component at it, extracting into out.
  void Use(const std::vector<RawMember>& members) {
    archive_ = in / "a.zip";
    testzip::WriteText(archive_, testzip::BuildArchive(members));
    zip.SetZipName(archive_);
    zip.SetDestDir(out.Path());
  }
  std::string Out(const std::string& name) const { return out / name; }
  std::vector<std::string> Events() const { return recorder.lines; }

  ScratchFolder in, out;
  testzip::ScriptUI ui;
  uz::TUnZip zip{&ui};
  EventRecorder recorder{zip};
  std::string archive_;
};

// ---- Selection, counting and the run around the members ----

TEST_F(Extraction, ExtractsSelectedMembersIntoDestDirFlattened) {
  Use({Stored("a.txt", "alpha"), Stored("sub/b.txt", "beta"), Stored("c.dat", "gamma")});
  zip.FilesList() = {"*.txt"};
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_EQ(out.Files(), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(testzip::ReadText(Out("b.txt")), "beta");
  EXPECT_EQ(recorder.lines.front(), "StartUnZipInfo 2 9");
}

TEST_F(Extraction, RecreateDirsBuildsFoldersBelowDestDirAndDropsRootDir) {
  Use({Stored("Program/Data/a.txt", "a"), Stored("Other/b.txt", "b")});
  zip.SetDoAll(true);
  zip.SetRecreateDirs(true);
  zip.SetRootDir("program");
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_EQ(out.Files(), (std::vector<std::string>{"Data/a.txt", "Other/b.txt"}));
}

TEST_F(Extraction, EmptySelectionTouchesNothingButCreatesDestDir) {
  Use({Stored("a.txt", "alpha")});
  zip.SetDestDir(out / "new/deeper");
  EXPECT_EQ(zip.ExtractFiles(), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"StartUnZipInfo 0 0"}));
  EXPECT_TRUE(testzip::Exists(out / "new/deeper"));
  EXPECT_TRUE(out.Files().empty());
}

TEST_F(Extraction, StopNowEndsBeforeAnyFileAndReturnsTheSelection) {
  Use({Stored("a.txt", "alpha"), Stored("b.txt", "beta")});
  zip.SetDoAll(true);
  zip.OnStartUnZipInfo = [](uz::TObject*, int, int64_t, bool& stop) { stop = true; };
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_TRUE(out.Files().empty());
  EXPECT_TRUE(recorder.Only("StartUnZip ").empty());
}

TEST_F(Extraction, SkipInStartUnZipLeavesAnEmptyFileThatCounts) {
  Use({Stored("a.txt", "alpha"), Stored("b.txt", "beta")});
  zip.SetDoAll(true);
  zip.OnStartUnZip = [&](uz::TObject*, int i, const std::string& name, bool& skip) {
    recorder.lines.push_back("StartUnZip " + std::to_string(i) + " " + Slashes(name));
    skip = i == 0;
  };
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_EQ(testzip::ReadText(Out("a.txt")), "");
  EXPECT_EQ(testzip::ReadText(Out("b.txt")), "beta");
  EXPECT_EQ(recorder.Only("EndUnZip").size(), 1u);
  EXPECT_EQ(recorder.Only("StartUnZip ").at(0), "StartUnZip 0 " + Out("a.txt"));
}

TEST_F(Extraction, SameFileNameInTwoFoldersEndsAsTheLaterMember) {
  Use({Stored("x/a.txt", "first"), Stored("y/a.txt", "second")});
  zip.FilesList() = {"*\\a.txt"};
  zip.SetOverwriteMode(uz::TUZOverwriteMode::Always);
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_EQ(testzip::ReadText(Out("a.txt")), "second");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Extraction, FolderEntriesNeedRecreateDirs) {
  Use({Stored("dir/", ""), Stored("dir/f.txt", "f")});
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(recorder.lines.front(), "StartUnZipInfo 1 1");
  EXPECT_FALSE(testzip::Exists(Out("dir")));

  zip.SetRecreateDirs(true);
  recorder.lines.clear();
  EXPECT_EQ(zip.ExtractFiles(), 2);
  ASSERT_EQ(recorder.lines.size(), 4u);
  EXPECT_EQ(recorder.lines[0], "StartUnZipInfo 2 1");
  EXPECT_EQ(Slashes(recorder.lines[1]), "StartUnZip 0 " + Out("dir") + "/");
  EXPECT_EQ(Slashes(recorder.lines[2]), "StartUnZip 1 " + Out("dir/f.txt"));
  EXPECT_TRUE(testzip::Exists(Out("dir/f.txt")));
}

TEST_F(Extraction, ZeroLengthMemberGivesAnEmptyFileWithoutPercentages) {
  EventRecorder withPercent(zip, true);
  Use({Stored("empty.txt", "")});
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(testzip::ReadText(Out("empty.txt")), "");
  EXPECT_TRUE(withPercent.Only("FilePercent").empty());
  EXPECT_EQ(withPercent.Only("EndUnZip").size(), 1u);
}

TEST_F(Extraction, PercentagesRoundHalvesToEvenPerWrittenBlock) {
  EventRecorder withPercent(zip, true);
  Use({Stored("big.bin", std::string(128000, 'x'))});  // eight blocks of 16000
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  const std::vector<std::string> expected = {
      "FilePercent 12", "TotalPercent 12", "FilePercent 25",  "TotalPercent 25",
      "FilePercent 38", "TotalPercent 38", "FilePercent 50",  "TotalPercent 50",
      "FilePercent 62", "TotalPercent 62", "FilePercent 75",  "TotalPercent 75",
      "FilePercent 88", "TotalPercent 88", "FilePercent 100", "TotalPercent 100"};
  std::vector<std::string> got;
  for (const std::string& l : withPercent.lines)
    if (l.find("Percent") != std::string::npos) got.push_back(l);
  EXPECT_EQ(got, expected);
}

TEST_F(Extraction, TotalPercentSpansTheWholeSelection) {
  EventRecorder withPercent(zip, true);
  Use({Stored("a.bin", std::string(16000, 'a')), Stored("b.bin", std::string(48000, 'b'))});
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_EQ(withPercent.Only("TotalPercent"),
            (std::vector<std::string>{"TotalPercent 25", "TotalPercent 50", "TotalPercent 75",
                                      "TotalPercent 100"}));
}

TEST_F(Extraction, CurrentFolderIsDestDirDuringTheRunAndRestoredAfter) {
  Use({Stored("a.txt", "alpha")});
  zip.SetDoAll(true);
  const std::string before = uz::CurrentDirectory();
  std::string during;
  zip.OnEndUnZip = [&](uz::TObject*, int, const std::string&) { during = uz::CurrentDirectory(); };
  zip.ExtractFiles();
  EXPECT_EQ(Slashes(during), Slashes(out.Path()));
  EXPECT_EQ(uz::CurrentDirectory(), before);
}

TEST_F(Extraction, RelativeDestDirIsTakenFromTheCurrentFolder) {
  Use({Stored("a.txt", "alpha")});
  zip.SetDoAll(true);
  const std::string before = uz::CurrentDirectory();
  uz::ChangeDirectory(out.Path());
  zip.SetDestDir("rel");
  EXPECT_EQ(zip.ExtractFiles(), 1);
  uz::ChangeDirectory(before);
  EXPECT_EQ(out.Files(), (std::vector<std::string>{"rel/a.txt"}));
}

// ---- Overwrite policy ----

TEST_F(Extraction, NeverKeepsTheExistingFileAndGoesOnWithTheNextMember) {
  Use({Stored("a.txt", "new a"), Stored("b.txt", "new b")});
  testzip::WriteText(Out("a.txt"), "old a");
  zip.SetDoAll(true);
  zip.SetOverwriteMode(uz::TUZOverwriteMode::Never);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(testzip::ReadText(Out("a.txt")), "old a");
  EXPECT_EQ(testzip::ReadText(Out("b.txt")), "new b");
  ASSERT_GE(recorder.lines.size(), 2u);
  EXPECT_EQ(recorder.lines[1], "SkippingFile NotOverwritten 0");
}

TEST_F(Extraction, PromptWithoutHandlerAsksTheUser) {
  Use({Stored("a.txt", "new a"), Stored("b.txt", "new b")});
  testzip::WriteText(Out("a.txt"), "old a");
  testzip::WriteText(Out("b.txt"), "old b");
  zip.SetDoAll(true);
  ui.answers = {false, true};
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"File Exists Alert: Заменить существующий файл a.txt?",
                                      "File Exists Alert: Заменить существующий файл b.txt?"}));
  EXPECT_EQ(testzip::ReadText(Out("a.txt")), "old a");
  EXPECT_EQ(testzip::ReadText(Out("b.txt")), "new b");
  EXPECT_EQ(recorder.Only("SkippingFile"),
            (std::vector<std::string>{"SkippingFile NotOverwritten 0"}));
}

TEST_F(Extraction, PromptHandlerMayRedirectTheFile) {
  Use({Stored("a.txt", "new a")});
  testzip::WriteText(Out("a.txt"), "old a");
  zip.SetDoAll(true);
  std::string asked;
  zip.OnPromptForOverwrite = [&](uz::TObject*, bool& overwrite, int, std::string& name) {
    asked = Slashes(name);
    EXPECT_FALSE(overwrite);
    name = out / "renamed.txt";
    overwrite = true;
  };
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(asked, Out("a.txt"));
  EXPECT_EQ(testzip::ReadText(Out("a.txt")), "old a");
  EXPECT_EQ(testzip::ReadText(Out("renamed.txt")), "new a");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Extraction, AlwaysReplacesAReadOnlyFileWhichThenGetsStoredDateAndAttributes) {
  RawMember m = Stored("a.txt", "new a");
  m.externalAttributes = 0x21;  // archive + read-only
  m.dateTime = 0x5A8C6C00;      // 2025-04-12 13:32:00 local time
  Use({m});
  testzip::WriteText(Out("a.txt"), "old a");
  ASSERT_TRUE(uz::SetAttributes(Out("a.txt"), uz::kAttrReadOnly));
  zip.SetDoAll(true);
  zip.SetOverwriteMode(uz::TUZOverwriteMode::Always);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(testzip::ReadText(Out("a.txt")), "new a");
  struct stat st {};
  ASSERT_EQ(stat(Out("a.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0200, 0u) << "read-only";
  std::tm local{};
  local.tm_year = 125;
  local.tm_mon = 3;
  local.tm_mday = 12;
  local.tm_hour = 13;
  local.tm_min = 32;
  local.tm_isdst = -1;
  EXPECT_EQ(st.st_mtime, std::mktime(&local));
}

TEST_F(Extraction, EveryMemberGetsItsOwnStampWhetherShared) {
  auto stamped = [](const std::string& name, uint32_t dateTime) {
    RawMember m = Stored(name, name);
    m.dateTime = dateTime;
    return m;
  };
  const uint32_t first = 0x5A8C6C00;                       // 2025-04-12 13:32:00
  const uint32_t second = first + (1u << 16) + (1u << 5);  // a day and a minute later
  Use({stamped("a", first), stamped("b", first), stamped("c", second), stamped("d", 0),
       stamped("e", first)});
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 5);
  auto mtime = [&](const std::string& name) {
    struct stat st {};
    EXPECT_EQ(stat(Out(name).c_str(), &st), 0) << name;
    return st.st_mtime;
  };
  EXPECT_EQ(mtime("b"), mtime("a"));
  EXPECT_EQ(mtime("e"), mtime("a"));
  EXPECT_EQ(mtime("c") - mtime("a"), 86400 + 60);
  EXPECT_GT(mtime("d"), mtime("c"));  // no moment: the file keeps the time of its writing
}

TEST_F(Extraction, RetainAttributesOffLeavesTheFileWritable) {
  RawMember m = Stored("a.txt", "a");
  m.externalAttributes = 0x21;
  Use({m});
  zip.SetDoAll(true);
  zip.SetRetainAttributes(false);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  struct stat st {};
  ASSERT_EQ(stat(Out("a.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0200, 0u);
}

TEST_F(Extraction, FolderRemovedAfterItsFirstMemberIsMadeAgain) {
  Use({Stored("d/a.txt", "alpha"), Stored("d/b.txt", "beta"), Stored("e/c.txt", "gamma"),
       Stored("d/f.txt", "delta")});
  zip.SetDoAll(true);
  zip.SetRecreateDirs(true);
  // The folder the run made for the first member is gone before the second.
  zip.OnEndUnZip = [&](uz::TObject*, int, const std::string& name) {
    if (Slashes(name) != Out("d/a.txt")) return;
    std::remove(Out("d/a.txt").c_str());
    ::rmdir(Out("d").c_str());
  };
  EXPECT_EQ(zip.ExtractFiles(), 4);
  EXPECT_EQ(out.Files(), (std::vector<std::string>{"d/b.txt", "d/f.txt", "e/c.txt"}));
  EXPECT_EQ(testzip::ReadText(Out("d/f.txt")), "delta");
}

#ifndef _WIN32
// A file size limit makes the output's writes fail part-way: in a chunk
// written while the member is decoded, or in the last flush after it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  struct rlimit saved_ {};
  void (*oldHandler_)(int);
};

class FailedWrite : public Extraction {
 protected:
  void Expect(size_t size, rlim_t limit) {
    Use({Stored("big.bin", std::string(size, 'w')), Stored("next.txt", "n")});
    zip.SetDoAll(true);
    try {
      FileSizeLimit fileSizeLimit(limit);
      zip.ExtractFiles();
      ADD_FAILURE() << "no exception";
    } catch (const uz::EStreamError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot write file \"" + Out("big.bin") + "\"");
    }
    EXPECT_TRUE(out.Files().empty());
  }
};

TEST_F(FailedWrite, InAChunkWrittenWhileDecodingRaisesAndLeavesNoPartialFile) {
  Expect(50000, 30000);
}

TEST_F(FailedWrite, InAFlushEndingAWriteRaisesAndLeavesNoPartialFile) {
  // The second block (384 bytes) just fills the buffer: the write accepts
  // every byte although the flush it ends with fails.
  Expect(16384, 10000);
}

TEST_F(FailedWrite, InTheLastFlushRaisesAndLeavesNoPartialFile) {
  Expect(20000, 18000);  // 3616 bytes wait for the last flush; 1616 of them fit
}
#endif

// ---- Integrity ----

TEST_F(Extraction, BadCrcDeletesTheFileAndReportsBothValues) {
  RawMember m = Stored("a.txt", "alpha");
  const uint32_t right = m.crc;
  m.crc = 0x12345678;
  Use({m, Stored("b.txt", "beta")});
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_FALSE(testzip::Exists(Out("a.txt")));
  EXPECT_EQ(recorder.Only("BadCRC"),
            (std::vector<std::string>{"BadCRC " + std::to_string(int32_t(right)) + " " +
                                      std::to_string(0x12345678) + " 0"}));
  ASSERT_EQ(recorder.lines.size(), 5u);
  EXPECT_EQ(recorder.lines[2], recorder.Only("BadCRC").at(0));  // before the next member
}

// One row each: archives as other writers make them, sizes and offsets just
// past 32 bits (which the Windows build must not cut to their low half), and
// a handler that changes the file system or the placement settings after the
// first member (the later members go where things stand then). Each row gives
// what is extracted (or the error that ends the run), the files on disk, a
// folder that must exist, and for members that fail, "written stored" when
// the CRC matched ("more than ..." for output stopped at its size), else "CRC".
TEST(ExtractionRows, OtherWritersAndHandlersThatChangeThings) {
  constexpr int64_t k4G = int64_t{1} << 32;
  RawMember gained = Stored("five.txt", "hello");
  gained.uncompressedSize = k4G + 5;
  RawMember wrongLow = Stored("six.txt", "hello");
  wrongLow.uncompressedSize = k4G + 6;
  RawMember matching = Stored("z.txt", "hello");
  matching.zip64 = true;
  RawMember longData = Stored("c.txt", "hello");
  longData.compressedSize = k4G + 5;
  RawMember farHeader = Stored("o.txt", "hello");
  farHeader.localHeaderOffset = k4G;
  const std::string runOn(40000, 'z');
  RawMember outgrown = Stored("big.bin", runOn);
  outgrown.uncompressedSize = 32000;
  outgrown.crc = testzip::Crc32(reinterpret_cast<const uint8_t*>(runOn.data()), 32000);
  RawMember folder = Stored("def", "");
  folder.externalAttributes = 0x10;            // MS-DOS folder bit, no trailing separator
  RawMember lie = Stored("lie.dll", "hello");  // deflated, its size says 0
  lie.method = 8, lie.uncompressedSize = 0, lie.externalAttributes = 0x10;
  lie.data = std::string("\xcb\x48\xcd\xc9\xc9\x07\x00", 7);
  RawMember unixFile = Stored("u", "");
  unixFile.versionMadeBy = 0x0314, unixFile.externalAttributes = 0100644u << 16 | 0x10;
  const std::vector<RawMember> twoInTop = {Stored("top/a.txt", "a"), Stored("top/b.txt", "b")};
  using TChange = std::function<void(uz::TUnZip&, const ScratchFolder&)>;
  auto noRecreate = [](uz::TUnZip& zip, const ScratchFolder&) { zip.SetRecreateDirs(false); };
  const std::vector<RawMember> fileThenFolder = {Stored("a.txt", "a"), Stored("e/", "")};
  const char* kEnd = "Premature end of file reached";
  const struct {
    const char* what;
    std::vector<RawMember> members;
    TChange change;
    int extracted;
    std::vector<std::string> files;
    const char* folder;
    std::vector<std::string> failures;
    const char* error = nullptr;
  } rows[] = {
      {"a size 4 GiB above the data's", {gained}, {}, 0, {}, nullptr, {"5 4294967301"}},
      {"a size wrong in its low 32 bits too", {wrongLow}, {}, 0, {}, nullptr, {"5 4294967302"}},
      {"a ZIP64 size that matches", {matching}, {}, 1, {"z.txt"}, nullptr, {}},
      {"output past its size", {outgrown}, {}, 0, {}, nullptr, {"more than 32000 32000"}},
      {"a compressed size 4 GiB too large", {longData}, {}, 0, {}, nullptr, {}, kEnd},
      {"a local header offset 4 GiB too large", {farHeader}, {}, 0, {}, nullptr, {}, kEnd},
      {"a folder marked only by its attribute",
       {folder, Stored("def/foo", "x")},
       {},
       2,
       {"def/foo"},
       nullptr,
       {}},
      {"the folder bit on a member with data", {lie}, {}, 0, {}, nullptr, {"CRC"}},
      {"the folder bit on a Unix regular file", {unixFile}, {}, 1, {"u"}, nullptr, {}},
      {"a folder entry on a file", {Stored("x", "d"), Stored("x/", "")}, {}, 1, {"x"}, nullptr, {}},
      {"its folder removed, then the folder's own entry",
       {Stored("d/a.txt", "a"), Stored("d/", "")},
       [](uz::TUnZip&, const ScratchFolder& out) { std::filesystem::remove_all(out / "d"); },
       2,
       {},
       "d",
       {}},
      {"RootDir set",
       twoInTop,
       [](uz::TUnZip& zip, const ScratchFolder&) { zip.SetRootDir("top"); },
       2,
       {"b.txt", "top/a.txt"},
       nullptr,
       {}},
      {"RecreateDirs turned off", twoInTop, noRecreate, 2, {"b.txt", "top/a.txt"}, nullptr, {}},
      {"RecreateDirs off before a folder entry",
       fileThenFolder,
       noRecreate,
       1,
       {"a.txt"},
       nullptr,
       {}},
  };
  for (const auto& row : rows) {
    ScratchFolder in, out;
    testzip::WriteText(in / "a.zip", testzip::BuildArchive(row.members));
    uz::TUnZip zip;
    zip.SetZipName(in / "a.zip");
    zip.SetDestDir(out.Path());
    zip.SetRecreateDirs(true);
    zip.SetDoAll(true);
    zip.OnEndUnZip = [&](uz::TObject*, int index, const std::string&) {
      if (index == 0 && row.change) row.change(zip, out);
    };
    std::vector<std::string> failures;
    zip.OnBadCRC = [&](uz::TObject*, int32_t calc, int32_t stored, int index) {
      failures.push_back(calc != stored ? "CRC"
                                        : (zip.MemberOutgrewSize() ? "more than " : "") +
                                              std::to_string(zip.MemberBytesWritten()) + " " +
                                              std::to_string(zip.Member(index).UncompressedSize));
    };
    try {
      EXPECT_EQ(zip.ExtractFiles(), row.extracted) << row.what;
      EXPECT_EQ(row.error, nullptr) << row.what;
    } catch (const uz::Exception& e) {
      EXPECT_STREQ(e.what(), row.error ? row.error : "(no error)") << row.what;
    }
    EXPECT_EQ(out.Files(), row.files) << row.what;
    EXPECT_EQ(failures, row.failures) << row.what;
    if (row.folder) {
      EXPECT_TRUE(std::filesystem::is_directory(out / row.folder)) << row.what;
    }
  }
}

TEST_F(Extraction, UnknownMethodShowsTheMessageAndFailsTheCheck) {
  RawMember m = Stored("a.bin", "whatever");
  m.method = 12;
  RawMember empty = Stored("e.bin", "");
  empty.method = 99;
  Use({m, empty});
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Zip Error: Unknown Compression Method",
                                                   "Zip Error: Unknown Compression Method"}));
  EXPECT_FALSE(testzip::Exists(Out("a.bin")));
  EXPECT_EQ(recorder.Only("BadCRC").size(), 1u);
  EXPECT_EQ(testzip::ReadText(Out("e.bin")), "");  // stored CRC 0 matches no output
}

// An empty member too: its CRC of 0 would match the nothing written.
TEST_F(Extraction, InflateOutOfMemoryShowsTheErrorAndFailsTheMember) {
  RawMember m = Stored("a.txt", "alpha");
  m.method = 8;
  RawMember empty = Stored("e.txt", "");
  empty.method = 8;
  empty.data = std::string("\x03\x00", 2);
  Use({m, empty});
  zip.SetDoAll(true);
  refuseNothrowAllocations = true;
  const int extracted = zip.ExtractFiles();
  refuseNothrowAllocations = false;
  EXPECT_EQ(extracted, 0);
  EXPECT_EQ(ui.messages, std::vector<std::string>(2, "Error: *** inflate out of memory ***"));
  EXPECT_EQ(recorder.Only("BadCRC").size(), 2u);
  EXPECT_EQ(zip.MemberFault(), uz::TMemberFault::DecoderFailed);
  EXPECT_TRUE(out.Files().empty());
}

TEST_F(Extraction, BadCrcHandlerThatRaisesLeavesNoFile) {
  RawMember m = Stored("a.txt", "alpha");
  m.crc = 1;
  Use({m});
  zip.SetDoAll(true);
  zip.OnBadCRC = [](uz::TObject*, int32_t, int32_t, int) { throw uz::EUserCanceled("stop"); };
  EXPECT_THROW(zip.ExtractFiles(), uz::EUserCanceled);
  EXPECT_TRUE(out.Files().empty());
}

TEST_F(Extraction, OutputNeverOutgrowsTheCatalogueSize) {
  EventRecorder withPercent(zip, true);
  RawMember m = Stored("a.bin", std::string(40000, 'z'));
  m.uncompressedSize = 20000;  // the records lie
  Use({m});
  zip.SetDoAll(true);
  EXPECT_EQ(zip.ExtractFiles(), 0);
  EXPECT_FALSE(testzip::Exists(Out("a.bin")));
  EXPECT_EQ(withPercent.Only("BadCRC").size(), 1u);
  for (const std::string& l : withPercent.Only("FilePercent"))
    EXPECT_LE(std::stoi(l.substr(12)), 100) << l;
}

TEST_F(Extraction, PrematureEndRaisesAndLeavesNoPartialFile) {
  std::string archive = testzip::BuildArchive({Stored("a.bin", std::string(50000, 'q'))});
  archive_ = in / "cut.zip";
  // Member data cut after 20000 bytes; the catalogue is put back behind it.
  const size_t dataStart = 30 + 5;
  const std::string tail = archive.substr(dataStart + 50000);
  std::string cut = archive.substr(0, dataStart + 20000);
  std::string central = tail.substr(0, tail.size() - 22);
  std::string end = tail.substr(tail.size() - 22);
  const uint32_t dirOffset = uint32_t(cut.size());
  end[16] = char(dirOffset & 0xFF);
  end[17] = char(dirOffset >> 8 & 0xFF);
  end[18] = char(dirOffset >> 16 & 0xFF);
  end[19] = char(dirOffset >> 24);
  testzip::WriteText(archive_, cut + central + end);
  zip.SetZipName(archive_);
  zip.SetDestDir(out.Path());
  zip.SetDoAll(true);
  const std::string before = uz::CurrentDirectory();
  try {
    zip.ExtractFiles();
    ADD_FAILURE() << "no exception";
  } catch (const uz::EFatalUnzipError& e) {
    EXPECT_STREQ(e.what(), "Premature end of file reached");
  }
  EXPECT_TRUE(out.Files().empty());
  EXPECT_EQ(uz::CurrentDirectory(), before);
}

// ---- Multi-part archives and message processing ----

class MultiPart : public ::testing::Test {
 protected:
  void Open(const std::string& relative) {
    archive = TestDataPath("zip/" + relative);
    zip.SetZipName(archive);
    zip.SetDestDir(out.Path());
    zip.SetDoAll(true);
    zip.SetRecreateDirs(true);
  }
  void AnswerParts() {
    zip.OnGetNextDisk = [&](uz::TObject*, int disk, std::string& name) {
      recorder.lines.push_back("GetNextDisk " + std::to_string(disk));
      const std::string stem = archive.substr(0, archive.size() - 4);
      name = disk == zip.EndCentral().ThisPart + 1 ? archive : stem + ".z0" + std::to_string(disk);
    };
  }
  ScratchFolder out;
  testzip::ScriptUI ui;
  uz::TUnZip zip{&ui};
  EventRecorder recorder{zip, true};
  std::string archive;
};

TEST_F(MultiPart, DataCrossingIntoTheNextPartAsksForItBetweenBlocks) {
  Open("multipart/infozip-split-2.zip");
  AnswerParts();
  EXPECT_EQ(zip.ExtractFiles(), 5);
  // test.jpg (40372 bytes, stored) starts on the first part and ends on the
  // second: its second block is read across the boundary.
  std::vector<std::string> jpg;
  bool in = false;
  for (const std::string& l : recorder.lines) {
    if (l.rfind("StartUnZip", 0) == 0) in = l.find("test.jpg") != std::string::npos;
    if (in)
      jpg.push_back(l.substr(0, l.find(' ')) +
                    (l.rfind("GetNextDisk", 0) == 0 ? l.substr(11) : ""));
  }
  EXPECT_EQ(jpg, (std::vector<std::string>{"StartUnZip", "FilePercent", "TotalPercent",
                                           "GetNextDisk 2", "FilePercent", "TotalPercent",
                                           "FilePercent", "TotalPercent", "EndUnZip"}));
  EXPECT_EQ(testzip::ReadText(out / "jpg/test.jpg").size(), 40372u);
}

TEST_F(MultiPart, WithoutHandlerTheRequestIsACancel) {
  Open("multipart/infozip-split-2.zip");
  EXPECT_THROW(zip.ExtractFiles(), uz::EUserCanceled);
}

TEST_F(MultiPart, VisitsMembersInArchiveOrderAndRestoresTheViewOrder) {
  Open("multipart/infozip-split.zip");
  AnswerParts();
  zip.SetSortMode(uz::TZipSortMode::ByName);
  zip.OpenZip();
  const std::string firstByName = zip.Member(0).FullName();
  EXPECT_EQ(zip.ExtractFiles(), 272);
  // One request per part, in order: never back and forth.
  EXPECT_EQ(recorder.Only("GetNextDisk"),
            (std::vector<std::string>{"GetNextDisk 1", "GetNextDisk 2", "GetNextDisk 3"}));
  EXPECT_EQ(zip.SortMode(), uz::TZipSortMode::ByName);
  EXPECT_EQ(zip.Member(0).FullName(), firstByName);
}

TEST_F(MultiPart, MessagesAreProcessedPerCompressedBlockNeverForStoredMembers) {
  zip.SetZipName(TestDataPath("zip/deflate/deflate-and-stored.zip"));
  zip.SetDestDir(out.Path());
  zip.FilesList() = {"stored.txt"};
  zip.ExtractFiles();
  EXPECT_EQ(ui.processed, 0);
  zip.FilesList() = {"inflated.txt"};
  zip.SetOverwriteMode(uz::TUZOverwriteMode::Always);
  zip.ExtractFiles();
  const int compressed = zip.Member(0).FileName() == "inflated.txt" ? zip.Member(0).CompressedSize
                                                                    : zip.Member(1).CompressedSize;
  EXPECT_EQ(ui.processed, (compressed + 15999) / 16000);
  zip.SetDoProcessMessages(false);
  ui.processed = 0;
  zip.ExtractFiles();
  EXPECT_EQ(ui.processed, 0);
}

// ---- Passwords ----

class Encrypted : public ::testing::Test {
 protected:
  void Open(const std::string& relative) {
    zip.SetZipName(TestDataPath("zip/" + relative));
    zip.SetDestDir(out.Path());
    zip.SetDoAll(true);
    zip.SetRecreateDirs(true);
  }
  ScratchFolder out;
  testzip::ScriptUI ui;
  uz::TUnZip zip{&ui};
  EventRecorder recorder{zip};
};

TEST_F(Encrypted, RightPasswordExtractsEveryMember) {
  Open("encrypted/zipcrypto-stored-8.zip");
  zip.SetPassword("test");
  EXPECT_EQ(zip.ExtractFiles(), 8);
  EXPECT_EQ(testzip::ReadText(out / "the.txt").size(), 3u);
  Open("encrypted/zipcrypto-dd-226.zip");
  EXPECT_EQ(zip.ExtractFiles(), 226);
}

TEST_F(Encrypted, WrongOrEmptyPasswordWithoutHandlerSkipsEveryMember) {
  for (const char* password : {"wrong", ""}) {
    SCOPED_TRACE(password);
    recorder.lines.clear();
    Open("encrypted/zipcrypto-deflate-6.zip");
    zip.SetPassword(password);
    EXPECT_EQ(zip.ExtractFiles(), 0);
    EXPECT_EQ(recorder.Only("SkippingFile PasswordFailed").size(), 6u);
    EXPECT_TRUE(out.Files().empty());
  }
}

TEST_F(Encrypted, WrongPasswordPassingTheCheckByteFailsByCrc) {
  Open("encrypted/zipcrypto-stored-8.zip");
  zip.FilesList() = {"quick.txt"};
  zip.SetDoAll(false);
  zip.SetPassword("secret");
  EXPECT_EQ(zip.ExtractFiles(), 0);
  // The check byte let it through: decoding started, then the CRC refused it.
  EXPECT_EQ(recorder.Only("StartUnZip ").size(), 1u);
  EXPECT_EQ(recorder.Only("SkippingFile PasswordFailed").size(), 1u);
  EXPECT_TRUE(recorder.Only("BadCRC").empty());
  EXPECT_TRUE(out.Files().empty());
}

TEST_F(Encrypted, HandlerSupplyingThePasswordRetriesTheCheck) {
  Open("encrypted/zipcrypto-stored-8.zip");
  zip.SetPassword("nope");
  std::vector<std::string> offered;
  zip.OnBadPassword = [&](uz::TObject*, int i, std::string& password) {
    recorder.lines.push_back("BadPassword " + std::to_string(i) + " " + password);
    offered.push_back(password);
    password = "test";
  };
  EXPECT_EQ(zip.ExtractFiles(), 8);
  EXPECT_EQ(offered, (std::vector<std::string>{"nope"}));  // the new one serves later members
  EXPECT_EQ(zip.Password(), "test");
  ASSERT_GE(recorder.lines.size(), 4u);
  EXPECT_EQ(recorder.lines[1], "BadPassword 0 nope");
  EXPECT_EQ(recorder.lines[2].substr(0, 13), "StartUnZip 0 ");
}

TEST_F(Encrypted, HandlerAfterCrcFailureRestartsTheMember) {
  Open("encrypted/zipcrypto-stored-8.zip");
  zip.FilesList() = {"quick.txt"};
  zip.SetDoAll(false);
  zip.SetPassword("secret");
  zip.OnBadPassword = [&](uz::TObject*, int i, std::string& password) {
    recorder.lines.push_back("BadPassword " + std::to_string(i) + " " + password);
    password = "test";
  };
  EXPECT_EQ(zip.ExtractFiles(), 1);
  ASSERT_EQ(recorder.lines.size(), 5u);
  EXPECT_EQ(recorder.lines[0], "StartUnZipInfo 1 6");
  const std::string index = recorder.lines[1].substr(11, 1);
  EXPECT_EQ(recorder.lines[1].substr(0, 11), "StartUnZip ");
  EXPECT_EQ(recorder.lines[2], "BadPassword " + index + " secret");
  EXPECT_EQ(recorder.lines[3], recorder.lines[1]);
  EXPECT_EQ(recorder.lines[4].substr(0, 9), "EndUnZip ");
  EXPECT_EQ(testzip::ReadText(out / "quick.txt"), "quick\n");
}

TEST_F(Encrypted, PasswordHandlersThatRaiseAfterTheCrcCheckLeaveNoFile) {
  for (bool inBadPassword : {true, false}) {
    SCOPED_TRACE(inBadPassword);
    Open("encrypted/zipcrypto-stored-8.zip");
    zip.FilesList() = {"quick.txt"};
    zip.SetDoAll(false);
    zip.SetPassword("secret");  // passes the check byte, fails the CRC
    zip.OnBadPassword = [&](uz::TObject*, int, std::string&) {
      if (inBadPassword) throw uz::EUserCanceled("stop");
    };
    zip.OnSkippingFile = [](uz::TObject*, uz::TSkipReason, int) {
      throw uz::EUserCanceled("stop");
    };
    EXPECT_THROW(zip.ExtractFiles(), uz::EUserCanceled);
    EXPECT_TRUE(out.Files().empty());
  }
}

TEST_F(Encrypted, HandlerReturningTheSamePasswordEndsTheRetries) {
  Open("encrypted/zipcrypto-deflate-one.zip");
  zip.SetPassword("bad");
  int calls = 0;
  zip.OnBadPassword = [&](uz::TObject*, int, std::string&) { ++calls; };
  EXPECT_EQ(zip.ExtractFiles(), 1);  // the folder entry
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(recorder.Only("SkippingFile PasswordFailed").size(), 1u);
}

}  // namespace
