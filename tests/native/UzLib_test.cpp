// The component's platform calls on the real file system: text routines,
// DOS dates, folders, attributes and dates of files, and the file stream's
// reads, writes, seeks and errors.
#include "streams/UzLib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "TestData.h"
#include "uzExceptions.h"

using namespace uz;
namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards. Paths are handed to the
// component with "\" separators, as it builds them.
class Scratch : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = fs::temp_directory_path() / ("uzlib-" + std::to_string(random()));
    fs::create_directories(root_);
    dir = root_.string();
  }
  void TearDown() override {
    std::error_code ignored;
    for (auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(root_, ignored);
  }
  std::string Path(const std::string& relative) const { return dir + "\\" + relative; }
  static fs::path Fs(std::string path) {
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    return fs::path(path);
  }
  static void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(Fs(path), std::ios::binary) << text;
  }
  static std::string ReadText(const std::string& path) {
    std::ifstream in(Fs(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static bool Writable(const std::string& path) {
    return (fs::status(Fs(path)).permissions() & fs::perms::owner_write) != fs::perms::none;
  }
  std::string dir;

 private:
  fs::path root_;
};

}  // namespace

TEST(UzLibText, SmallRoutines) {
  EXPECT_EQ(Min(-3, 2), -3);
  EXPECT_EQ(Max(-3, 2), 2);
  std::string name = "a/b/c\\d/";
  SlashesToBackslashes(name);
  EXPECT_EQ(name, "a\\b\\c\\d\\");
  EXPECT_EQ(RightPart("abcdef", 2), "ef");
  EXPECT_EQ(RightPart("ab", 5), "ab");
  EXPECT_EQ(RightPart("ab", 0), "");
  EXPECT_EQ(LeftPart("abcdef", 2), "ab");
  EXPECT_EQ(LeftPart("ab", 5), "ab");
  EXPECT_EQ(FormatWith("Invalid seek origin (%d)", "7"), "Invalid seek origin (7)");
  EXPECT_EQ(FormatWith("tObject %s not in item list", "TItem"), "tObject TItem not in item list");
  EXPECT_EQ(FormatWith("%s then %d", "x"), "x then %d");
  EXPECT_EQ(FormatWith("100%", "x"), "100%");
}

TEST(UzLibText, PercentageRoundsHalvesToEven) {
  EXPECT_EQ(Percentage(1, 8), 12);  // 12.5
  EXPECT_EQ(Percentage(3, 8), 38);  // 37.5
  EXPECT_EQ(Percentage(1, 3), 33);
  EXPECT_EQ(Percentage(2, 3), 67);
  EXPECT_EQ(Percentage(5, 0), 0);
  EXPECT_EQ(Percentage(150, 100), 100);
  // Exact where part * 100 no longer fits 64 bits.
  EXPECT_EQ(Percentage(uint64_t(3) << 32, uint64_t(4) << 32), 75);
  EXPECT_EQ(Percentage(uint64_t(1) << 60, uint64_t(1) << 63), 12);  // 12.5
  EXPECT_EQ(Percentage(uint64_t(3) << 60, uint64_t(1) << 63), 38);  // 37.5
  EXPECT_EQ(Percentage(UINT64_MAX / 2, UINT64_MAX), 50);
  EXPECT_EQ(Percentage(UINT64_MAX - 1, UINT64_MAX), 100);
  EXPECT_EQ(Percentage(UINT64_MAX / 200 + 1, UINT64_MAX), 1);  // just past 0.5
  EXPECT_EQ(Percentage(UINT64_MAX / 200, UINT64_MAX), 0);      // just below
}

TEST(UzLibText, DosDateTimes) {
  // 2001-06-15 13:45:58: date (21 << 9 | 6 << 5 | 15), time (13 << 11 | 45 << 5 | 29).
  const uint32_t dos = (uint32_t(21 << 9 | 6 << 5 | 15) << 16) | (13 << 11 | 45 << 5 | 29);
  TDosDateTime t{};
  ASSERT_TRUE(DecodeDosDateTime(dos, t));
  EXPECT_EQ(t.year, 2001);
  EXPECT_EQ(t.month, 6);
  EXPECT_EQ(t.day, 15);
  EXPECT_EQ(t.hour, 13);
  EXPECT_EQ(t.minute, 45);
  EXPECT_EQ(t.second, 58);
  double days = 0;
  ASSERT_TRUE(DosDateTimeToDays(0x00210000, days));  // 1980-01-01 00:00
  EXPECT_EQ(days, 29221.0);
  ASSERT_TRUE(DosDateTimeToDays(dos, days));
  EXPECT_NEAR(days, 37057 + (13 * 3600 + 45 * 60 + 58) / 86400.0, 1e-9);

  EXPECT_FALSE(DecodeDosDateTime(0, t));                                     // month 0
  EXPECT_FALSE(DecodeDosDateTime(uint32_t(1 << 9 | 2 << 5 | 29) << 16, t));  // 1981-02-29
  EXPECT_TRUE(DecodeDosDateTime(uint32_t(20 << 9 | 2 << 5 | 29) << 16, t));  // 2000-02-29
  EXPECT_FALSE(DecodeDosDateTime((0x21u << 16) | (24 << 11), t));            // hour 24
  EXPECT_FALSE(DecodeDosDateTime((0x21u << 16) | 30, t));                    // second 60
  EXPECT_FALSE(DosDateTimeToDays(0, days));
}

TEST_F(Scratch, FoldersAndExistence) {
  EXPECT_TRUE(FolderExists(dir));
  EXPECT_FALSE(FileExists(dir));
  const std::string deep = Path("one\\two\\three");
  EXPECT_FALSE(FolderExists(deep));
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_TRUE(CreateFolderPath(deep + "\\"));  // existing, trailing separator
  WriteText(Path("one\\file.txt"), "x");
  EXPECT_TRUE(FileExists(Path("one\\file.txt")));
  EXPECT_TRUE(FileExists(Path("one/file.txt")));
  EXPECT_FALSE(FolderExists(Path("one\\file.txt")));
  EXPECT_FALSE(CreateFolderPath(Path("one\\file.txt\\sub")));
  EXPECT_FALSE(FileExists(Path("missing")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DeleteFileAt(Path("one\\file.txt")));
  EXPECT_FALSE(FileExists(Path("one\\file.txt")));
  EXPECT_FALSE(DeleteFileAt(Path("one\\file.txt")));
}

TEST_F(Scratch, CurrentDirectoryRoundTrip) {
  const std::string before = CurrentDirectory();
  ASSERT_FALSE(before.empty());
  ChangeDirectory(dir);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), Fs(dir)));
  EXPECT_TRUE(fs::equivalent(Fs(CurrentDirectory()), Fs(dir)));
  std::string message = MessageOf<EInOutError>([&] { ChangeDirectory(Path("nowhere")); });
  EXPECT_NE(message.find("nowhere"), std::string::npos) << message;
  ChangeDirectory(before);
  EXPECT_EQ(CurrentDirectory(), before);
}

TEST_F(Scratch, AttributesAndDates) {
  const std::string file = Path("a.txt");
  WriteText(file, "abc");
  EXPECT_TRUE(SetAttributes(file, kAttrReadOnly | kAttrArchive));
  EXPECT_FALSE(Writable(file));
  EXPECT_TRUE(ClearRestrictiveAttributes(file));
  EXPECT_TRUE(Writable(file));
  EXPECT_TRUE(SetAttributes(file, 0x81A40020));  // permission bits of another system are ignored
  EXPECT_TRUE(Writable(file));
  EXPECT_FALSE(ClearRestrictiveAttributes(Path("missing")));

  // 2001-06-15 12:00:00 and the next day, both taken as local time.
  const uint32_t day1 = (uint32_t(21 << 9 | 6 << 5 | 15) << 16) | (12 << 11);
  const uint32_t day2 = day1 + (1u << 16);
  ASSERT_TRUE(SetFileDosDateTime(file, day1));
  int64_t stamp1 = TFileStream(file, kFmOpenRead).ModificationTime();
  ASSERT_TRUE(SetFileDosDateTime(file, day2 + 1));  // two seconds later
  int64_t stamp2 = TFileStream(file, kFmOpenRead).ModificationTime();
  EXPECT_EQ(stamp2 - stamp1, (86400LL + 2) * 10000000);
  EXPECT_EQ(stamp1 % 10000000, 0);
  EXPECT_FALSE(SetFileDosDateTime(file, 0));  // not a date

  // A read-only file still receives its date.
  SetAttributes(file, kAttrReadOnly);
  EXPECT_TRUE(SetFileDosDateTime(file, day1));
  EXPECT_EQ(TFileStream(file, kFmOpenRead).ModificationTime(), stamp1);
}

TEST_F(Scratch, DateAndAttributesThroughAnOpenFile) {
  const std::string file = Path("open.txt");
  const std::string other = Path("other.txt");
  WriteText(other, "x");
  const uint32_t day = (uint32_t(21 << 9 | 6 << 5 | 15) << 16) | (12 << 11);
  ASSERT_TRUE(SetFileDosDateTime(other, day));
  {
    TLFNFileStream out(file, kFmCreate);
    EXPECT_EQ(out.Write("abc", 3), 3u);
    ASSERT_TRUE(out.Flush());
    int64_t fileTime = 0;
    EXPECT_FALSE(DosDateTimeToFileTime(0, fileTime));  // not a date
    ASSERT_TRUE(DosDateTimeToFileTime(day, fileTime));
    EXPECT_TRUE(SetModificationTime(out.File(), fileTime));
    EXPECT_EQ(out.ModificationTime(), fileTime);
    EXPECT_TRUE(SetAttributes(out.File(), kAttrReadOnly | kAttrArchive));
  }
  EXPECT_EQ(ReadText(file), "abc");
  EXPECT_EQ(TFileStream(file, kFmOpenRead).ModificationTime(),
            TFileStream(other, kFmOpenRead).ModificationTime());
  EXPECT_FALSE(Writable(file));
  {
    TLFNFileStream again(file, kFmCreate);  // a read-only file is replaced
    EXPECT_TRUE(SetAttributes(again.File(), kAttrArchive));
    EXPECT_TRUE(SetAttributes(again.File(), kAttrArchive));  // nothing to change
  }
  EXPECT_TRUE(Writable(file));
}

TEST_F(Scratch, FileStreamTracksItsPosition) {
  const std::string file = Path("pos.bin");
  TFileStream f(file, kFmCreate);
  EXPECT_EQ(f.Position(), 0);
  EXPECT_EQ(f.Write("0123456789", 10), 10u);
  EXPECT_EQ(f.Position(), 10);
  EXPECT_EQ(f.Seek(3, kSeekBeginning), 3);
  char b[4] = {};
  EXPECT_EQ(f.Read(b, 4), 4u);
  EXPECT_EQ(std::string(b, 4), "3456");
  EXPECT_EQ(f.Position(), 7);
  EXPECT_EQ(f.Seek(-2, kSeekCurrent), 5);
  EXPECT_EQ(f.Read(b, 4), 4u);
  EXPECT_EQ(std::string(b, 4), "5678");
  EXPECT_EQ(f.Read(b, 4), 1u);  // the end
  EXPECT_EQ(f.Position(), 10);
  EXPECT_EQ(f.Seek(0, 9), -1);  // a bad origin moves nothing
  EXPECT_EQ(f.Position(), 10);
  EXPECT_EQ(f.Seek(-20, kSeekCurrent), -1);  // refused by the system
  EXPECT_EQ(f.Position(), 10);               // asked again, not guessed
  EXPECT_EQ(f.Seek(0, kSeekEnd), 10);
  EXPECT_EQ(f.Write("ab", 2), 2u);
  EXPECT_EQ(f.Position(), 12);
  EXPECT_EQ(f.Size(), 12);
}

TEST_F(Scratch, VolumesOfNoDrive) {
  EXPECT_FALSE(IsRemovableDrive("C:\\"));
#ifndef _WIN32
  EXPECT_EQ(VolumeLabel("C:\\"), "");
#endif
}

TEST_F(Scratch, FileStreamOpenErrorsNameTheFile) {
  const std::string missing = Path("missing.zip");
  std::string open = MessageOf<EFOpenError>([&] { TFileStream(missing, kFmShareDenyWrite); });
  EXPECT_EQ(open.rfind("Cannot open file \"" + missing + "\"", 0), 0u) << open;
  const std::string nofolder = Path("no\\such\\out.txt");
  std::string create = MessageOf<EFCreateError>([&] { TLFNFileStream(nofolder, kFmCreate); });
  EXPECT_EQ(create.rfind("Cannot create file \"" + nofolder + "\"", 0), 0u) << create;
  EXPECT_THROW(TFileStream(dir, kFmOpenRead), EFOpenError);  // a folder is no file
}

TEST_F(Scratch, FileStreamReadsWritesAndSeeks) {
  const std::string file = Path("data.bin");
  {
    TFileStream out(file, kFmCreate);
    EXPECT_EQ(out.Write("hello world", 11), 11u);
    EXPECT_EQ(out.Size(), 11);
    EXPECT_EQ(out.Position(), 11);
  }
  TFileStream in(file, kFmShareDenyWrite);
  char buffer[16] = {};
  EXPECT_EQ(in.Seek(-5, kSeekEnd), 6);
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 5u);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(in.Seek(2, kSeekBeginning), 2);
  EXPECT_EQ(in.Seek(1, kSeekCurrent), 3);
  EXPECT_EQ(in.Seek(0, 7), -1);
  EXPECT_NE(in.ModificationTime(), 0);
}

TEST_F(Scratch, CreatingOverReadOnlyFileSucceeds) {
  const std::string file = Path("out.txt");
  WriteText(file, "old contents");
  ASSERT_TRUE(SetAttributes(file, kAttrReadOnly | kAttrHidden));
  {
    TLFNFileStream out(file, kFmCreate);
    EXPECT_EQ(out.Write("new", 3), 3u);
  }
  EXPECT_EQ(ReadText(file), "new");
  EXPECT_TRUE(Writable(file));
}

TEST_F(Scratch, ReadingLeavesAttributesAlone) {
  const std::string file = Path("archive.zip");
  WriteText(file, "PK");
  ASSERT_TRUE(SetAttributes(file, kAttrReadOnly));
  {
    TLFNFileStream in(file, kFmShareDenyWrite);
    char b[2];
    EXPECT_EQ(in.Read(b, 2), 2u);
    EXPECT_EQ(in.ModificationTime(), TFileStream(file, kFmOpenRead).ModificationTime());
  }
  EXPECT_FALSE(Writable(file));
}

TEST_F(Scratch, BufferedFileFlushesOnDestroyBeforeClosing) {
  const std::string file = Path("big.bin");
  std::string text(20000, 'q');
  {
    TLFNFileStream out(file, kFmCreate);
    EXPECT_EQ(out.Write(text.data(), text.size()), text.size());
    EXPECT_EQ(out.File().Size(), 16384);  // two full buffers written, the rest pending
    EXPECT_EQ(out.Size(), 20000);
  }
  EXPECT_EQ(ReadText(file), text);
}

// Offsets beyond 4 GiB: a sparse file with a few bytes at 5 GiB.
TEST_F(Scratch, OffsetsBeyondFourGiB) {
  const std::string file = Path("sparse.bin");
  const int64_t far = (int64_t(5) << 30) + 7;
  {
    TLFNFileStream out(file, kFmCreate);
    EXPECT_EQ(out.Seek(far, kSeekBeginning), far);
    EXPECT_EQ(out.Write("END!", 4), 4u);
    EXPECT_EQ(out.Position(), far + 4);
  }
  TLFNFileStream in(file, kFmShareDenyWrite);
  EXPECT_EQ(in.Size(), far + 4);
  EXPECT_EQ(in.Seek(-4, kSeekEnd), far);
  char b[8] = {};
  EXPECT_EQ(in.Read(b, sizeof b), 4u);
  EXPECT_EQ(std::string(b, 4), "END!");
  EXPECT_EQ(in.Seek(-2, kSeekCurrent), far + 2);
  EXPECT_EQ(in.Read(b, 1), 1u);
  EXPECT_EQ(b[0], 'D');
  EXPECT_EQ(in.Seek(far - 1, kSeekBeginning), far - 1);
  EXPECT_EQ(in.Read(b, 2), 2u);
  EXPECT_EQ(b[0], '\0');
  EXPECT_EQ(b[1], 'E');
}
