// The catalogue of TUnZip: end record search, central records, the
// local-header scan, comments, accessors and their errors, multi-part
// archives, and robustness against malformed archives.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "TestData.h"
#include "UnZip.h"
#include "ZipBuilder.h"
#include "ZipFixture.h"
#include "selection/uzZipNames.h"

namespace uz {
namespace {

using testzip::BuildMember;
using testzip::TempFile;
using testzip::ZipBuilder;
using Descriptor = BuildMember::Descriptor;
using LocalSizes = BuildMember::LocalSizes;

// A scripted user: answers dialogs from its fields and counts calls.
class ScriptedUI : public TUnZipUI {
 public:
  bool ChooseZipFile(const std::string& title, const std::string& filter,
                     const std::string& initial, std::string& chosen) override {
    lastTitle = title;
    lastFilter = filter;
    lastInitial = initial;
    if (zipAnswer.empty()) return false;
    chosen = zipAnswer;
    return true;
  }
  bool ChooseFolder(const std::string&, std::string&) override { return false; }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
  void ProcessMessages() override { ++messageRounds; }
  void SetBusyCursor(bool busy) override { busyChanges += busy ? 1 : 10; }

  std::string zipAnswer;
  std::string lastTitle, lastFilter, lastInitial;
  int messageRounds = 0;
  int busyChanges = 0;
};

BuildMember Stored(const std::string& name, const std::string& data) {
  BuildMember m;
  m.name = name;
  m.data = data;
  return m;
}

ZipBuilder ThreeMembers() {
  ZipBuilder b;
  b.members = {Stored("one.txt", "first"), Stored("dir/two.txt", "second member"),
               Stored("dir/", "")};
  return b;
}

std::vector<std::string> Names(const TUnZip& unzip) {
  std::vector<std::string> names;
  for (int i = 0; i < unzip.MemberCount(); ++i) names.push_back(unzip.Member(i).FullName());
  return names;
}

// Opens the archive, reading its catalogue, and closes it again.
void Read(TUnZip& unzip, const std::string& path) {
  unzip.SetZipName(path);
  unzip.OpenZip();
  unzip.CloseZip();
}

// ---- End record ----

TEST(CatalogueEndRecord, ArchiveOfOnlyAnEndRecordHasNoMembers) {
  TempFile file(testzip::EndRecord(0, 0, 0));
  TUnZip unzip;
  Read(unzip, file.Path());
  EXPECT_EQ(unzip.MemberCount(), 0);
  EXPECT_EQ(unzip.SpanMode(), 0);
}

TEST(CatalogueEndRecord, TwentyOneBytesAreAnIncompleteZip) {
  TempFile file(testzip::EndRecord(0, 0, 0).substr(1));
  TUnZip unzip;
  EXPECT_EQ(MessageOf<EIncompleteZip>([&] { Read(unzip, file.Path()); }), "Incomplete Zip File");
  unzip.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  unzip.OpenZip();
  EXPECT_EQ(unzip.MemberCount(), 0);
}

TEST(CatalogueEndRecord, TheRecordNearestTheEndWins) {
  ZipBuilder b = ThreeMembers();
  const std::string plain = b.Build();
  const uint32_t directory = testzip::ReadLe32(plain, plain.size() - 6);
  // A second end record that counts one member hides in the archive comment.
  b.archiveComment = "x" + testzip::EndRecord(1, 0, directory);
  TempFile file(b.Build());
  TUnZip unzip;
  Read(unzip, file.Path());
  EXPECT_EQ(unzip.MemberCount(), 1);
  EXPECT_EQ(unzip.EndCentral().CommentLength, 0);
  // Inside member data the real one lies nearer the end.
  b.archiveComment = "y";
  b.members[0].data = testzip::EndRecord(1, 0, 0);
  file.Rewrite(b.Build());
  TUnZip fresh;
  Read(fresh, file.Path());
  EXPECT_EQ(fresh.MemberCount(), 3);
  EXPECT_EQ(fresh.EndCentral().CommentLength, 1);
}

TEST(CatalogueEndRecord, AtMost65506BytesMayFollowTheRecord) {
  ZipBuilder b = ThreeMembers();
  b.archiveComment = std::string(65506, 'c');
  TempFile file(b.Build());
  TUnZip unzip;
  Read(unzip, file.Path());
  EXPECT_EQ(unzip.MemberCount(), 3);
  b.archiveComment += 'c';
  file.Rewrite(b.Build());
  TUnZip longer;
  EXPECT_EQ(MessageOf<EIncompleteZip>([&] { Read(longer, file.Path()); }), "Incomplete Zip File");
}

TEST(CatalogueEndRecord, HandlerMayTurnToTheScan) {
  ZipBuilder b = ThreeMembers();
  b.writeEnd = false;
  TempFile file(b.Build());
  TUnZip unzip;
  int calls = 0;
  unzip.OnInCompleteZip = [&](TObject* sender, TIncompleteZipMode& mode) {
    EXPECT_EQ(sender, &unzip);
    EXPECT_EQ(mode, TIncompleteZipMode::izAssumeMulti);
    mode = TIncompleteZipMode::izAssumeBad;
    ++calls;
  };
  Read(unzip, file.Path());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(unzip.IncompleteZipMode(), TIncompleteZipMode::izAssumeBad);
  // The scan found the members and merged the central records behind them.
  EXPECT_TRUE(unzip.Scanned());
  EXPECT_EQ(Names(unzip), (std::vector<std::string>{"one.txt", "dir\\two.txt", "dir\\"}));
  EXPECT_EQ(unzip.Member(0).ExternalAttributes, 0x20u);
}

// ---- Central directory ----

TEST(CatalogueCentral, MembersFollowTheirLocalHeadersNotTheDirectory) {
  ZipBuilder b = ThreeMembers();
  b.centralOrder = {2, 0, 1};
  TempFile file(b.Build());
  TUnZip unzip;
  Read(unzip, file.Path());
  EXPECT_EQ(Names(unzip), (std::vector<std::string>{"one.txt", "dir\\two.txt", "dir\\"}));
  EXPECT_EQ(unzip.MemberName(2), "");
  EXPECT_TRUE(unzip.Member(2).IsDirectory());
  EXPECT_EQ(unzip.Member(1).Directory(), "dir\\");
  EXPECT_EQ(unzip.Member(1).UncompressedSize, 13);
  EXPECT_EQ(unzip.Member(1).LocalHeaderOffset, b.Offsets()[1]);
  EXPECT_GT(unzip.Member(1).CentralRecordPosition, 0);
}

TEST(CatalogueCentral, DuplicateOffsetsLeaveNoCatalogueSoTheNextCallFailsToo) {
  ZipBuilder b = ThreeMembers();
  b.centralOffset[2] = b.Offsets()[0];
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetZipName(file.Path());
  const std::string twice =
      "Two central records, \"one.txt\" and \"dir\\\", name the local header at offset 0";
  EXPECT_EQ(MessageOf<EListError>([&] { unzip.OpenZip(); }), twice);
  EXPECT_EQ(unzip.MemberCount(), 0);
  unzip.CloseZip();
  // Same file, same time: read again, never tested as a shortened list.
  EXPECT_EQ(MessageOf<EListError>([&] { unzip.TestFiles(); }), twice);
  EXPECT_EQ(unzip.MemberCount(), 0);
}

TEST(CatalogueCentral, ForeignBytesInFrontAreFoundByTheScan) {
  ZipBuilder b = ThreeMembers();
  b.members[0].comment = "a comment";
  b.members[1].externalAttributes = 0x21;
  b.prefix = std::string(5000, 'Q');
  TempFile file(b.Build());
  TUnZip unzip;  // izAssumeMulti: the scan runs all the same
  Read(unzip, file.Path());
  ASSERT_EQ(unzip.MemberCount(), 3);
  EXPECT_TRUE(unzip.Scanned());
  EXPECT_EQ(unzip.Member(0).LocalHeaderOffset, 5000u);
  // The central records name offsets without the prefix: none matches.
  EXPECT_EQ(unzip.Member(1).ExternalAttributes, 0u);
  EXPECT_EQ(unzip.MemberComment(0), "");
  EXPECT_EQ(unzip.Member(1).VersionMadeBy, 0);
  EXPECT_EQ(unzip.Member(1).CompressedSize, 13);
}

TEST(CatalogueCentral, MoreEntriesClaimedThanRecordsStopsQuietly) {
  ZipBuilder b = ThreeMembers();
  std::string bytes = b.Build();
  bytes[bytes.size() - 12] = 9;  // total entries 9
  TempFile file(bytes);
  TUnZip unzip;
  Read(unzip, file.Path());
  EXPECT_EQ(unzip.MemberCount(), 3);
}

TEST(CatalogueCentral, NamesWithAndWithoutTheUtf8Flag) {
  ZipBuilder b;
  b.members = {Stored("\xC3\xA4/\xC3\xBC.txt", "u"), Stored("\x84/\x81.txt", "o")};
  b.members[0].flags = 0x0800;
  TempFile file(b.Build());
  TUnZip unzip;
  Read(unzip, file.Path());
  EXPECT_EQ(unzip.Member(0).FullName(), "\xC3\xA4\\\xC3\xBC.txt");
  if (OemCodePage() == 437) {
    EXPECT_EQ(unzip.Member(1).FullName(), "\xC3\xA4\\\xC3\xBC.txt");
  }
}

TEST(CatalogueCentral, TooManyMembersIsAListError) {
  ZipBuilder b;
  for (int i = 0; i < 65521; ++i) b.members.push_back(Stored(std::to_string(i), ""));
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetZipName(file.Path());
  EXPECT_EQ(MessageOf<EListError>([&] { unzip.OpenZip(); }),
            "The archive holds more than 65520 members, the most a catalogue can hold");
  EXPECT_EQ(unzip.MemberCount(), 0);  // a failed read, like any other
}

// ---- Sort modes through the component ----

TEST(CatalogueSort, SortModeTakesEffectAtTheNextReadAndResortChangesIt) {
  ZipBuilder b;
  b.members = {Stored("b.txt", "12345"), Stored("C.txt", "1"), Stored("a.txt", "123")};
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetSortMode(TZipSortMode::ByName);
  Read(unzip, file.Path());
  EXPECT_EQ(Names(unzip), (std::vector<std::string>{"a.txt", "b.txt", "C.txt"}));
  unzip.Resort(TZipSortMode::ByUnCompressedSize);
  EXPECT_EQ(unzip.SortMode(), TZipSortMode::ByUnCompressedSize);
  EXPECT_EQ(Names(unzip), (std::vector<std::string>{"b.txt", "a.txt", "C.txt"}));
  unzip.Resort(TZipSortMode::ByNone);
  EXPECT_EQ(Names(unzip), (std::vector<std::string>{"b.txt", "C.txt", "a.txt"}));
}

// ---- The local-header scan and streamed members ----

struct StreamedCase {
  const char* what;
  Descriptor descriptor;
  LocalSizes sizes;
  bool zip64;
};

class CatalogueStreamed : public ::testing::TestWithParam<StreamedCase> {};

TEST_P(CatalogueStreamed, ScanStepsOverTheDescriptor) {
  const StreamedCase& c = GetParam();
  ZipBuilder b;
  b.writeCentral = false;
  b.writeEnd = false;
  for (const std::string& data :
       {std::string("streamed PK\x07\x08 data"), std::string(), std::string("x")}) {
    BuildMember m = Stored("m" + std::to_string(b.members.size()), data);
    m.descriptor = c.descriptor;
    m.localSizes = c.sizes;
    m.zip64LocalExtra = c.zip64;
    b.members.push_back(m);
  }
  b.members.push_back(Stored("last", "plain"));
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  Read(unzip, file.Path());
  ASSERT_EQ(unzip.MemberCount(), 4) << c.what;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(unzip.Member(i).FileName(), b.members[i].name) << c.what;
    EXPECT_EQ(unzip.Member(i).CompressedSize, int32_t(b.members[i].data.size())) << c.what;
    EXPECT_EQ(unzip.Member(i).LocalHeaderOffset, b.Offsets()[i]) << c.what;
  }
}

// Sizes 0 with a 12- or 20-byte descriptor cannot be found (no signature to
// search for) unless the member is empty; they are covered by the real-size
// rows and the empty-member cases below.
INSTANTIATE_TEST_SUITE_P(
    Descriptors, CatalogueStreamed,
    ::testing::Values(
        StreamedCase{"16, real sizes", Descriptor::Signed16, LocalSizes::Real, false},
        StreamedCase{"12, real sizes", Descriptor::Bare12, LocalSizes::Real, false},
        StreamedCase{"24, real sizes", Descriptor::Signed24, LocalSizes::Real, true},
        StreamedCase{"20, real sizes", Descriptor::Bare20, LocalSizes::Real, true},
        StreamedCase{"16, sizes 0", Descriptor::Signed16, LocalSizes::Zero, false},
        StreamedCase{"16, sizes marked", Descriptor::Signed16, LocalSizes::Marker, false},
        StreamedCase{"24, sizes marked", Descriptor::Signed24, LocalSizes::Marker, true},
        StreamedCase{"24, sizes 0", Descriptor::Signed24, LocalSizes::Zero, true},
        StreamedCase{"24 unannounced, sizes 0", Descriptor::Signed24, LocalSizes::Zero, false}));

TEST(CatalogueScan, EmptyMemberWithBareDescriptorBeforeTheNextHeader) {
  ZipBuilder b;
  b.writeEnd = false;
  BuildMember empty = Stored("empty", "");
  empty.descriptor = Descriptor::Bare12;
  empty.localSizes = LocalSizes::Zero;
  b.members = {empty, Stored("next", "n")};
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  Read(unzip, file.Path());
  ASSERT_EQ(unzip.MemberCount(), 2);
  EXPECT_EQ(unzip.Member(1).FileName(), "next");
  EXPECT_EQ(unzip.Member(0).CRC32, 0u);
}

TEST(CatalogueScan, DescriptorValuesReplaceMissingLocalOnes) {
  ZipBuilder b;
  b.writeEnd = false;
  b.writeCentral = false;
  BuildMember m = Stored("s", "some data");
  m.descriptor = Descriptor::Signed16;
  m.localSizes = LocalSizes::Zero;
  b.members = {m};
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  Read(unzip, file.Path());
  ASSERT_EQ(unzip.MemberCount(), 1);
  const std::string data = "some data";
  EXPECT_EQ(unzip.Member(0).CRC32,
            testzip::Crc32(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  EXPECT_EQ(unzip.Member(0).UncompressedSize, 9);
  EXPECT_EQ(unzip.Member(0).CompressedSize, 9);
}

// Listed with its local zero sizes, the member would extract as an empty file
// that passes its check; left out, the members after it would go too.
TEST(CatalogueScan, UnfindableDescriptorIsAnError) {
  ZipBuilder b;
  b.writeEnd = false;
  b.writeCentral = false;
  BuildMember m = Stored("lost", "data");
  m.descriptor = Descriptor::Bare12;  // no signature to search for
  m.localSizes = LocalSizes::Zero;
  b.members = {m, Stored("after", "a")};
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  unzip.SetZipName(file.Path());
  EXPECT_EQ(MessageOf<EFatalUnzipError>([&] { unzip.OpenZip(); }),
            "No data descriptor ends the member \"lost\"");
  EXPECT_EQ(unzip.MemberCount(), 0);
}

// Members whose descriptor does not match their local sizes, before a long
// tail: each is probed where a writer can have put its descriptor, not
// searched to the end of the file. The time is printed, not held to a bound.
TEST(CatalogueScan, MismatchedDescriptorsBeforeALongTailAreProbedNotSearched) {
  constexpr int kMembers = 400;
  ZipBuilder b;
  b.writeCentral = false;
  b.writeEnd = false;
  for (int i = 0; i < kMembers; ++i) {
    BuildMember m = Stored(std::to_string(1000 + i), "hello");  // 4 bytes each
    m.descriptor = Descriptor::Signed16;
    b.members.push_back(m);
  }
  std::string bytes = b.Build();
  // Each descriptor's compressed size, behind header, name, data, signature and CRC: 6.
  for (const uint32_t at : b.Offsets()) bytes[at + 30 + 4 + 5 + 8] = 6;
  TempFile file(bytes);
  std::filesystem::resize_file(file.Path(), bytes.size() + 200000000);  // zeros, sparse
  TUnZip unzip;
  unzip.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  const auto start = std::chrono::steady_clock::now();
  Read(unzip, file.Path());
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("benchmark: %d members with mismatched descriptors before a 200 MB tail: %.3f s\n",
              kMembers, took.count());
  ASSERT_EQ(unzip.MemberCount(), kMembers);
  for (int i = 0; i < kMembers; ++i)
    EXPECT_EQ(unzip.Member(i).Damage, TMemberFault::NoDescriptor) << i;
}

TEST(CatalogueScan, NothingFoundGivesAnEmptyCatalogueAndProcessesMessages) {
  TempFile file(std::string(30000, 'P') + std::string(30000, 'x'));
  ScriptedUI ui;
  TUnZip unzip(&ui);
  unzip.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  Read(unzip, file.Path());
  EXPECT_EQ(unzip.MemberCount(), 0);
  EXPECT_EQ(ui.messageRounds, 2);  // 30000 counted bytes: two rounds of 10240
  EXPECT_EQ(ui.busyChanges, 11);   // hourglass on, then off
  unzip.SetDoProcessMessages(false);
  file.Rewrite(std::string(60000, 'x'));
  TUnZip quiet(&ui);
  quiet.SetDoProcessMessages(false);
  quiet.SetIncompleteZipMode(TIncompleteZipMode::izAssumeBad);
  Read(quiet, file.Path());
  EXPECT_EQ(ui.messageRounds, 2);
}

// ---- Accessors, comments and their errors ----

TEST(CatalogueAccessors, IndexOutOfRangeNamesTheIndex) {
  TempFile file(ThreeMembers().Build());
  TUnZip unzip;
  EXPECT_EQ(MessageOf<EListError>([&] { unzip.MemberName(0); }), "Index 0 is out of range");
  Read(unzip, file.Path());
  EXPECT_EQ(MessageOf<EListError>([&] { unzip.MemberName(3); }), "Index 3 is out of range");
  EXPECT_EQ(MessageOf<EListError>([&] { unzip.MemberComment(-1); }), "Index -1 is out of range");
  EXPECT_EQ(unzip.MemberName(0), "one.txt");
}

TEST(CatalogueAccessors, CommentsAreReadOnDemand) {
  ZipBuilder b = ThreeMembers();
  b.members[1].comment = "member note";
  b.archiveComment = "archive note";
  TempFile file(b.Build());
  TUnZip unzip;
  unzip.SetZipName(file.Path());
  EXPECT_EQ(unzip.ArchiveComment(), "archive note");  // reads the catalogue too
  EXPECT_EQ(unzip.MemberCount(), 3);
  EXPECT_FALSE(unzip.Member(1).Comment.has_value());
  EXPECT_EQ(unzip.MemberComment(1), "member note");
  EXPECT_TRUE(unzip.Member(1).Comment.has_value());
  EXPECT_EQ(unzip.MemberComment(0), "");
  EXPECT_EQ(unzip.ArchiveStream(), nullptr);  // closed after each read
  EXPECT_EQ(unzip.EndCentral().Modified, 0);
  unzip.SetMemberComment(1, "member note");
  EXPECT_EQ(unzip.EndCentral().Modified, 0);
  unzip.SetArchiveComment("new");
  EXPECT_EQ(unzip.EndCentral().Modified, 1);
  EXPECT_EQ(unzip.ArchiveComment(), "new");
  EXPECT_EQ(unzip.EndCentral().CommentLength, 3);
}

TEST(CatalogueAccessors, CommentLongerThanTheFileYieldsWhatIsThere) {
  std::string bytes = testzip::EndRecord(0, 0, 0, "abc");
  bytes[20] = char(0xFF);  // claims 255 bytes
  TempFile file(bytes);
  TUnZip unzip;
  unzip.SetZipName(file.Path());
  EXPECT_EQ(unzip.ArchiveComment(), bytes);  // from position 0: everything there is
}

TEST(CatalogueAccessors, KeepZipOpenKeepsTheStream) {
  TempFile file(ThreeMembers().Build());
  TUnZip unzip;
  unzip.SetKeepZipOpen(true);
  Read(unzip, file.Path());
  EXPECT_NE(unzip.ArchiveStream(), nullptr);
  unzip.ClearCatalogue();
  EXPECT_EQ(unzip.ArchiveStream(), nullptr);
  EXPECT_EQ(unzip.ZipName(), "");
  EXPECT_EQ(unzip.MemberCount(), 0);
}

// ---- ZipName and the modification time ----

TEST(CatalogueZipName, QuestionMarkAsksForTheFile) {
  TempFile file(ThreeMembers().Build());
  ScriptedUI ui;
  TUnZip unzip(&ui);
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { unzip.SetZipName("nowhere\\*.zip?"); }),
            "User canceled setting zip file name.");
  EXPECT_EQ(unzip.ZipName(), "");
  EXPECT_EQ(ui.lastTitle, "Open a Zip File");
  EXPECT_EQ(ui.lastFilter, "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|All Files (*.*)|*.*");
  EXPECT_EQ(ui.lastInitial, "C:\\");
  ui.zipAnswer = file.Path();
  unzip.SetZipName("?");
  EXPECT_EQ(unzip.ZipName(), file.Path());
  TUnZip silent;  // no user interface: a cancel
  EXPECT_THROW(silent.SetZipName("?"), EUserCanceled);
}

TEST(CatalogueZipName, SameNameInOtherCaseKeepsTheCatalogue) {
  TempFile file(ThreeMembers().Build());
  TUnZip unzip;
  Read(unzip, file.Path());
  std::string other = file.Path();
  for (char& c : other)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  unzip.SetZipName(other);
  EXPECT_EQ(unzip.MemberCount(), 3);
  unzip.SetZipName(file.Path() + ".other");
  EXPECT_EQ(unzip.MemberCount(), 0);
  // Not only ASCII letters: the name first given stays.
  unzip.SetZipName("C:\\Карты\\архив.zip");
  unzip.SetZipName("C:\\КАРТЫ\\АРХИВ.ZIP");
  EXPECT_EQ(unzip.ZipName(), "C:\\Карты\\архив.zip");
}

TEST(CatalogueZipName, ChangedFileIsReadAgain) {
  TempFile file(ThreeMembers().Build());
  TUnZip unzip;
  Read(unzip, file.Path());
  ZipBuilder b;
  b.members = {Stored("only.txt", "x")};
  file.Rewrite(b.Build());
  namespace fs = std::filesystem;
  fs::last_write_time(file.Path(), fs::last_write_time(file.Path()) + std::chrono::hours(1));
  unzip.OpenZip();
  EXPECT_EQ(Names(unzip), (std::vector<std::string>{"only.txt"}));
}

TEST(CatalogueZipName, MissingArchiveIsTheStreamsError) {
  TUnZip unzip;
  unzip.SetZipName(TestDataPath("zip/no-such-archive.zip"));
  EXPECT_THROW(unzip.OpenZip(), EFOpenError);
}

// ---- Multi-part archives ----

// Two parts: the members and the first central record in part 0, the second
// central record and the end record (with a comment) in part 1; `into` bytes
// of the second record's fixed part stay in part 0.
struct SplitPair {
  explicit SplitPair(size_t into = 0) {
    ZipBuilder b;
    b.members = {Stored("a.txt", "alpha"), Stored("b.txt", "beta")};
    b.members[1].comment = "second";
    b.writeEnd = false;
    const std::string bytes = b.Build();
    const size_t directory = bytes.size() - (46 + 5) - (46 + 5 + 6);
    const size_t cut = directory + 46 + 5 + into;
    part0 = std::make_unique<TempFile>(bytes.substr(0, cut), ".z01");
    part1 = std::make_unique<TempFile>(
        bytes.substr(cut) + testzip::EndRecord(2, uint32_t(bytes.size() - directory),
                                               uint32_t(directory), "split comment", 1, 0),
        ".zip");
  }
  std::unique_ptr<TempFile> part0, part1;
};

// Reads the pair with `into` bytes of the second record left in part 0.
void ExpectTheSplitPairRead(size_t into) {
  SplitPair split(into);
  TUnZip unzip;
  std::vector<std::pair<int, std::string>> requests;
  unzip.OnGetNextDisk = [&](TObject*, int disk, std::string& name) {
    requests.emplace_back(disk, name);
    name = disk == 1 ? split.part0->Path() : split.part1->Path();
  };
  Read(unzip, split.part1->Path());
  EXPECT_EQ(unzip.SpanMode(), 2);
  EXPECT_EQ(Names(unzip), (std::vector<std::string>{"a.txt", "b.txt"}));
  // Part 1 (disk 1) for the directory, then disk 2 when it runs on.
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], std::make_pair(1, split.part1->Path()));
  EXPECT_EQ(requests[1], std::make_pair(2, split.part0->Path()));
  EXPECT_EQ(unzip.CurrentPart(), 1);
  EXPECT_EQ(unzip.ZipName(), split.part1->Path());
  // Comments of a multi-part archive come with the catalogue.
  EXPECT_EQ(unzip.Member(1).Comment.value_or("(absent)"), "second");
  EXPECT_EQ(unzip.EndCentral().Comment.value_or("(absent)"), "split comment");
  EXPECT_EQ(unzip.ArchiveComment(), "split comment");
}

// A central record split inside its fixed part keeps the comment behind it.
TEST(CatalogueMultipart, DirectoryOnAnotherPartAndAcrossParts) {
  for (size_t into : {0, 20}) {
    SCOPED_TRACE(into);
    ExpectTheSplitPairRead(into);
  }
}

// What a catalogue says of each member, comments included.
std::vector<std::string> Catalogue(TUnZip& unzip) {
  std::vector<std::string> lines;
  for (int i = 0; i < unzip.MemberCount(); ++i) {
    const TZipHeaderInfo& m = unzip.Member(i);
    lines.push_back(m.FullName() + " @" + std::to_string(m.LocalHeaderOffset) + " crc " +
                    std::to_string(m.CRC32) + " size " + std::to_string(m.UncompressedSize) +
                    " extra " + std::to_string(m.ExtraFieldLength) + " [" + unzip.MemberComment(i) +
                    "]");
  }
  return lines;
}

// Wherever the boundary between two parts falls in the central directory
// (inside a signature, the fixed fields, a name, an extra field or a
// comment, or between records), the catalogue is the whole archive's.
TEST(CatalogueMultipart, EveryCutOfTheDirectoryGivesTheWholeCatalogue) {
  ZipBuilder b;
  b.members = {Stored("a.txt", "alpha"), Stored("dir/b.txt", "beta"), Stored("c.txt", "gamma")};
  b.members[1].comment = "second";
  b.members[1].centralExtra = std::string("UT\x05\x00\x01\x00\x00\x00\x00", 9);
  b.members[2].comment = "third";
  const std::string whole = b.Build();
  TempFile wholeFile(whole);
  TUnZip reference;
  Read(reference, wholeFile.Path());
  const std::vector<std::string> expected = Catalogue(reference);
  ASSERT_EQ(expected.size(), 3u);

  const size_t directory = testzip::ReadLe32(whole, whole.size() - 22 + 16);
  const size_t end = whole.size() - 22;
  for (size_t cut = directory; cut <= end; ++cut) {
    TempFile part0(whole.substr(0, cut), ".z01");
    TempFile part1(whole.substr(cut, end - cut) + testzip::EndRecord(3, uint32_t(end - directory),
                                                                     uint32_t(directory), "", 1, 0),
                   ".zip");
    TUnZip unzip;
    unzip.OnGetNextDisk = [&](TObject*, int disk, std::string& name) {
      name = disk == 1 ? part0.Path() : part1.Path();
    };
    Read(unzip, part1.Path());
    ASSERT_EQ(Catalogue(unzip), expected) << "cut " << cut - directory << " bytes into it";
  }
}

// A part that ends at, or inside, what should be a central record, and a
// next part that does not go on with it: an error, not an archive of fewer
// members (or of none).
TEST(CatalogueMultipart, ADirectoryTheNextPartDoesNotGoOnWithIsAnError) {
  ZipBuilder b;
  b.members = {Stored("a.txt", "alpha"), Stored("b.txt", "beta")};
  b.writeEnd = false;
  const std::string bytes = b.Build();
  const size_t directory = bytes.size() - 2 * (46 + 5);
  for (const size_t cut : {directory, directory + 2, directory + 46 + 5 + 2}) {
    TempFile part0(bytes.substr(0, cut), ".z01");
    TempFile part1(std::string(bytes.size() - cut, 'x') +
                       testzip::EndRecord(2, uint32_t(bytes.size() - directory),
                                          uint32_t(directory), "", 1, 0),
                   ".zip");
    TUnZip unzip;
    unzip.OnGetNextDisk = [&](TObject*, int disk, std::string& name) {
      name = disk == 1 ? part0.Path() : part1.Path();
    };
    unzip.SetZipName(part1.Path());
    EXPECT_EQ(MessageOf<EFatalUnzipError>([&] { unzip.OpenZip(); }),
              "The central directory does not go on at the start of part 2")
        << cut - directory;
  }
}

TEST(CatalogueMultipart, NoHandlerOrAnEmptyAnswerMeansCanceled) {
  SplitPair split;
  TUnZip unzip;
  unzip.SetZipName(split.part1->Path());
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { unzip.OpenZip(); }), "User canceled loading new disk.");
  TUnZip answered;
  int calls = 0;
  answered.OnGetNextDisk = [&](TObject*, int, std::string& name) {
    // A missing file is asked for again; then the user gives up.
    name = ++calls == 1 ? split.part1->Path() + ".missing" : std::string();
  };
  answered.SetZipName(split.part1->Path());
  EXPECT_THROW(answered.OpenZip(), EUserCanceled);
  EXPECT_EQ(calls, 2);
}

TEST(CatalogueMultipart, SplitSetsOfOtherToolsListEveryMember) {
  const struct {
    const char* name;
    int members;
  } sets[] = {{"infozip-split", 272},
              {"winrar-split", 279},
              {"winzip-split-2", 5},
              {"infozip-split-2", 5},
              {"infozip-split-zip64", 272}};
  for (const auto& set : sets) {
    TUnZip unzip;
    Read(unzip, TestDataPath(std::string("zip/multipart/") + set.name + ".zip"));
    EXPECT_EQ(unzip.MemberCount(), set.members) << set.name;
    EXPECT_EQ(unzip.SpanMode(), 2) << set.name;
    EXPECT_FALSE(unzip.Scanned()) << set.name;
  }
}

TEST(CatalogueZip64, MarkedFieldsTakeTheirValuesFromTheZip64Records) {
  // The directory offset of this set stands only in its ZIP64 end record.
  TUnZip split;
  Read(split, TestDataPath("zip/multipart/infozip-split-zip64.zip"));
  EXPECT_EQ(split.EndCentral().DirectoryOffset, 21451u);
  // Central records with marked sizes carry them in their extra fields.
  TUnZip dotnet;
  Read(dotnet, TestDataPath("zip/comments/archive-comment-dotnetzip.zip"));
  ASSERT_GT(dotnet.MemberCount(), 0);
  for (int i = 0; i < dotnet.MemberCount(); ++i) {
    EXPECT_NE(uint32_t(dotnet.Member(i).CompressedSize), 0xFFFFFFFFu) << i;
    EXPECT_NE(uint32_t(dotnet.Member(i).UncompressedSize), 0xFFFFFFFFu) << i;
  }
}

// ---- Every archive of the test data ----

// Reading a catalogue never crashes, hangs or reads out of bounds; it either
// succeeds or raises one of the component's exceptions.
TEST(CatalogueRobustness, EveryTestArchiveIsReadOrRefusedCleanly) {
  namespace fs = std::filesystem;
  int archives = 0;
  for (const auto& entry : fs::recursive_directory_iterator(TestDataPath("zip"))) {
    if (entry.path().extension() != ".zip") continue;
    ++archives;
    for (TIncompleteZipMode mode :
         {TIncompleteZipMode::izAssumeMulti, TIncompleteZipMode::izAssumeBad}) {
      TUnZip unzip;
      unzip.SetIncompleteZipMode(mode);
      unzip.SetSortMode(TZipSortMode::ByName);
      unzip.OnGetNextDisk = [](TObject*, int, std::string& name) { name.clear(); };
      try {
        Read(unzip, entry.path().string());
        for (int i = 0; i < unzip.MemberCount(); ++i) unzip.MemberComment(i);
        unzip.ArchiveComment();
      } catch (const Exception&) {
      }
    }
  }
  EXPECT_GE(archives, 90);
}

// Truncating a valid archive anywhere must not upset the reader.
TEST(CatalogueRobustness, EveryTruncationIsHandled) {
  ZipBuilder b = ThreeMembers();
  b.members[0].comment = "c";
  b.archiveComment = "z";
  const std::string bytes = b.Build();
  for (size_t n = 0; n < bytes.size(); ++n) {
    TempFile file(bytes.substr(0, n) + std::string(n % 3, 'P'));
    for (TIncompleteZipMode mode :
         {TIncompleteZipMode::izAssumeMulti, TIncompleteZipMode::izAssumeBad}) {
      TUnZip unzip;
      unzip.SetIncompleteZipMode(mode);
      try {
        Read(unzip, file.Path());
        for (int i = 0; i < unzip.MemberCount(); ++i) unzip.MemberComment(i);
      } catch (const Exception&) {
      }
    }
  }
}

}  // namespace
}  // namespace uz
