// Every archive of the test data extracted whole: each member whose method
// the component decodes must come out with the content the manifest gives;
// each other member must take the "Unknown Compression Method" path and
// leave no file. Malformed archives may fail, but only with the component's
// own exceptions and without writing outside the destination.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ExtractHarness.h"
#include "Manifest.h"
#include "TestData.h"
#include "UnZip.h"
#include "ZipFixture.h"
#include "decoders/uzMethods.h"

namespace {

using testzip::ManifestRow;

struct Extracted {
  std::string name;  // directory part + file-name part, "/" separators
  uint32_t crc;
  int64_t size;
  std::string sha256;
  bool matched = false;
};

std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

bool Decodable(const ManifestRow& row) { return uz::IsDecodable(uint16_t(row.method)); }

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// Part n (1-based) of a split set whose last part is archive.
std::string PartName(const std::string& archive, int disk, int lastPart) {
  if (disk - 1 == lastPart) return archive;
  const std::string two = (disk < 10 ? "0" : "") + std::to_string(disk);
  return archive.substr(0, archive.size() - 4) + ".z" + two;
}

struct RunResult {
  std::vector<Extracted> files;
  std::vector<std::string> messages;
  std::string exception;  // "Class: message" when one left ExtractFiles
};

RunResult ExtractArchive(const std::string& archive, const std::string& password,
                         const std::string& dest) {
  RunResult run;
  testzip::ScriptUI ui;
  uz::TUnZip zip(&ui);
  const std::string path = TestDataPath("zip/" + archive);
  zip.SetZipName(path);
  zip.SetDestDir(dest);
  zip.SetDoAll(true);
  zip.SetRecreateDirs(true);
  zip.SetOverwriteMode(uz::TUZOverwriteMode::Always);
  zip.SetIncompleteZipMode(uz::TIncompleteZipMode::izAssumeBad);
  if (password != "-") zip.SetPassword(password);
  zip.OnGetNextDisk = [&](uz::TObject*, int disk, std::string& name) {
    name = PartName(path, disk, zip.EndCentral().ThisPart);
  };
  zip.OnEndUnZip = [&](uz::TObject*, int index, const std::string& name) {
    const uz::TZipHeaderInfo& m = zip.Member(index);
    const std::string content = testzip::ReadText(name);
    std::vector<uint8_t> bytes(content.begin(), content.end());
    run.files.push_back(
        {Slashes(m.FullName()), m.CRC32, int64_t(m.UncompressedSize), testzip::Sha256Hex(bytes)});
  };
  try {
    zip.ExtractFiles();
  } catch (const uz::Exception& e) {
    run.exception = std::string(e.ClassName()) + ": " + e.what();
  }
  run.messages = ui.messages;
  return run;
}

// The extracted file for a manifest row: the member with the row's CRC and
// size, by name when it has one (names in legacy code pages are spelled
// differently). A member the catalogue reads with other values (from a
// damaged archive) is another member; its content is the catalogue's matter.
Extracted* Find(RunResult& run, const ManifestRow& row) {
  Extracted* byValues = nullptr;
  for (Extracted& e : run.files) {
    if (e.matched || e.crc != row.crc || e.size != row.uncompressedSize) continue;
    if (e.name == row.member) return &e;
    if (!byValues) byValues = &e;
  }
  return byValues;
}

// Returns how many members were required to come out with the manifest's content.
int CheckArchive(const std::string& archive, const std::vector<ManifestRow>& rows) {
  SCOPED_TRACE(archive);
  testzip::ScratchFolder scratch;
  const std::string dest = scratch / "out";
  RunResult run = ExtractArchive(archive, rows.front().password, dest);
  const bool malformed = StartsWith(archive, "malformed/");
  if (!malformed) {
    EXPECT_EQ(run.exception, "");
  }
  bool unknownMethodSeen = false;
  int required = 0;
  for (const ManifestRow& row : rows) {
    if (row.member == "-" || row.sha256 == "dir") continue;
    SCOPED_TRACE(row.member);
    const bool encrypted = (row.flags & 1) != 0;
    Extracted* e = Find(run, row);
    if (e) e->matched = true;
    if (!Decodable(row)) {
      if (!encrypted) unknownMethodSeen = true;
      // Only an empty member passes its check without being decoded.
      if (e) {
        EXPECT_EQ(row.uncompressedSize, 0);
      }
      continue;
    }
    const bool expected = !malformed && row.sha256 != "-" && !(encrypted && row.password == "-");
    if (expected) {
      ++required;
      EXPECT_NE(e, nullptr) << "not extracted";
      if (!e) continue;
      EXPECT_EQ(e->sha256, row.sha256);
    } else if (e && row.sha256 != "-") {
      EXPECT_EQ(e->sha256, row.sha256) << "passed its CRC check with other content";
    }
  }
  if (unknownMethodSeen && !malformed) {
    std::set<std::string> distinct(run.messages.begin(), run.messages.end());
    EXPECT_EQ(distinct, std::set<std::string>{"Zip Error: Unknown Compression Method"});
  }
  // Whatever happened, nothing lands beside the destination.
  for (const std::string& f : scratch.Files()) EXPECT_TRUE(StartsWith(f, "out/")) << f;
  return required;
}

TEST(ManifestExtraction, EveryArchiveGivesTheManifestContent) {
  std::map<std::string, std::vector<ManifestRow>> byArchive;
  std::vector<std::string> order;
  for (ManifestRow& row : testzip::ReadManifest()) {
    if (!byArchive.count(row.archive)) order.push_back(row.archive);
    byArchive[row.archive].push_back(std::move(row));
  }
  ASSERT_GE(order.size(), 90u);
  int required = 0;
  for (const std::string& archive : order) required += CheckArchive(archive, byArchive[archive]);
  EXPECT_EQ(required, 1186);  // every decodable member of known content and password
}

TEST(ManifestExtraction, PathTraversalStaysInsideTheDestination) {
  testzip::ScratchFolder scratch;
  const std::string dest = scratch / "a/b/out";
  RunResult run = ExtractArchive("malformed/path-traversal.zip", "-", dest);
  EXPECT_EQ(run.exception, "");
  ASSERT_EQ(run.files.size(), 2u);
  for (const std::string& f : scratch.Files()) EXPECT_TRUE(StartsWith(f, "a/b/out/")) << f;
  EXPECT_TRUE(testzip::Exists(dest + "/Temp/evil.txt"));
  EXPECT_FALSE(testzip::Exists("/Temp/evil.txt"));
  EXPECT_FALSE(testzip::Exists(scratch / "Temp/evil.txt"));
}

}  // namespace
