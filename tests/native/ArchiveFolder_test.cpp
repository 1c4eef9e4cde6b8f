// One archive folder unpacked as the installer does it: which members are
// installed, where, which one wins, and that a member left out by a fault
// fails the folder instead of going missing quietly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveFolder.h"
#include "ExtractHarness.h"
#include "TestData.h"
#include "uzExceptions.h"

namespace {

using testzip::RawMember;
using testzip::ScratchFolder;
using testzip::Stored;
using Files = std::vector<std::string>;

class ArchiveFolder : public ::testing::Test {
 protected:
  std::string Archive(const std::vector<RawMember>& members) {
    const std::string path = in / "temp.zip";
    testzip::WriteText(path, testzip::BuildArchive(members));
    return path;
  }
  void Extract(const std::string& archive, const std::string& folder) {
    ExtractArchiveFolder(archive, folder, out.Path(), &ui);
  }
  std::string Out(const std::string& name) const { return testzip::ReadText(out / name); }

  ScratchFolder in, out;
  testzip::ScriptUI ui;
};

TEST_F(ArchiveFolder, PlacesMembersOfTheFolderFlatUnderTheirBareNames) {
  const std::string archive = Archive(
      {Stored("Program/Map.exe", "viewer"), Stored("Program/Tools/x.dll", "tool"),
       Stored("Program/README", "no dot after the prefix"), Stored("PROGRAM/Lower.txt", "case"),
       Stored("Program/Notes.v1/NOTES", "dot in the sub-folder"),
       Stored("Program/a/dup.txt", "first"), Stored("Program/Deep/er/z.ini", "deep"),
       Stored("Program/b/dup.txt", "second"), Stored("Programs/y.txt", "other folder"),
       Stored("top.txt", "top level"), Stored("Help/Help.htm", "help"), Stored("Program/", "")});
  testzip::WriteText(out / "Map.exe", "old");
  testzip::WriteText(out / "kept.txt", "stays");

  Extract(archive, "Program");

  EXPECT_EQ(out.Files(),
            (Files{"Lower.txt", "Map.exe", "NOTES", "dup.txt", "kept.txt", "x.dll", "z.ini"}));
  EXPECT_EQ(Out("Map.exe"), "viewer");
  EXPECT_EQ(Out("dup.txt"), "second");
  EXPECT_EQ(Out("kept.txt"), "stays");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ArchiveFolder, FolderTheArchiveLacksExtractsNothing) {
  const std::string archive = Archive({Stored("Program/Map.exe", "viewer")});
  EXPECT_NO_THROW(Extract(archive, "Legend"));
  EXPECT_TRUE(out.Files().empty());
}

TEST_F(ArchiveFolder, MissingArchiveRaisesTheOpenError) {
  EXPECT_THROW(Extract(in / "temp.zip", "Program"), uz::EFOpenError);
}

RawMember BadCrc() {
  RawMember m = Stored("Program/Sub/bad.dll", "payload");
  m.crc ^= 1;
  return m;
}
RawMember UnknownMethod() {
  RawMember m = Stored("Program/Sub/bad.dll", "payload");
  m.method = 99;
  return m;
}
// Empty, as its size and CRC say, but its Deflate data is garbage.
RawMember BadData() {
  RawMember m = Stored("Program/Sub/bad.dll", "\xff\xff");
  m.method = 8;
  m.uncompressedSize = 0;
  m.crc = 0;
  return m;
}
RawMember Encrypted() {
  RawMember m = Stored("Program/Sub/bad.dll", std::string(12, '\x5a') + "payload");
  m.flags = 1;
  m.uncompressedSize = 7;
  return m;
}

struct MissedRow {
  const char* label;
  RawMember (*member)();
  const char* reason;
};

TEST_F(ArchiveFolder, SelectedMemberNotExtractedFailsTheFolderNamingIt) {
  const MissedRow rows[] = {
      {"bad CRC", BadCrc, "its data is damaged (CRC mismatch)"},
      {"unknown method", UnknownMethod, "its compression method 99 is not supported"},
      {"bad data", BadData, "its data is damaged (bad Deflate data)"},
      {"encrypted", Encrypted, "it is encrypted and no password is given"},
  };
  for (const MissedRow& row : rows) {
    SCOPED_TRACE(row.label);
    ScratchFolder dest;
    const std::string archive =
        Archive({Stored("Program/first.txt", "1"), row.member(), Stored("Program/last.txt", "2")});
    const std::string message = MessageOf<uz::EFatalUnzipError>(
        [&] { ExtractArchiveFolder(archive, "program", dest.Path(), &ui); });
    EXPECT_EQ(message,
              archive + ": Member \"Program\\Sub\\bad.dll\" was not extracted: " + row.reason);
    EXPECT_EQ(dest.Files(), (Files{"first.txt", "last.txt"}));
    // The same fault in a folder not asked for is no concern.
    EXPECT_NO_THROW(ExtractArchiveFolder(archive, "Help", dest.Path(), &ui));
    // The check before an installation finds it the same way, in one pass
    // over several folders, and writes nothing.
    EXPECT_EQ(MessageOf<uz::EFatalUnzipError>([&] {
                TestArchiveFolders(archive, {"Help", "program"}, &ui);
              }),
              archive + ": Member \"Program\\Sub\\bad.dll\" was not extracted: " + row.reason);
    EXPECT_NO_THROW(TestArchiveFolders(archive, {"Help", "Legend"}, &ui));
    EXPECT_EQ(in.Files(), (Files{"temp.zip"}));
  }
}

TEST_F(ArchiveFolder, SeveralMissedMembersAreCounted) {
  RawMember second = BadCrc();
  second.name = "Program/other.dll";
  const std::string archive = Archive({BadCrc(), second});
  EXPECT_EQ(MessageOf<uz::EFatalUnzipError>([&] { Extract(archive, "Program"); }),
            archive +
                ": Member \"Program\\Sub\\bad.dll\" was not extracted: its data is damaged (CRC "
                "mismatch) (and 1 more)");
}

}  // namespace
