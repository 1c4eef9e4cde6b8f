// Debian's zip writes, Debian's unzip extracts, and the component must
// extract the very same bytes: data of many shapes (empty, one byte, around
// the 16000-byte block and the 32 KiB window, large, incompressible,
// repetitive) stored and deflated at several levels, with data descriptors,
// streamed, encrypted and split. Runs natively where both tools exist.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ExtractHarness.h"
#include "UnZip.h"

namespace {

using testzip::ScratchFolder;

bool HaveTools() {
#ifdef _WIN32
  return false;
#else
  return std::system("command -v zip >/dev/null 2>&1 && command -v unzip >/dev/null 2>&1") == 0;
#endif
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// Deterministic content: words from a small vocabulary (compresses like
// text), or a plain generator's bytes (does not compress).
std::string Text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"map ",   "river ", "road ", "field ",  "town ",
                                       "hill\n", "lake ",  "wood ", "bridge ", "farm "};
  std::string out;
  uint32_t x = seed;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    out += kWords[(x >> 16) % 10];
  }
  out.resize(size);
  return out;
}

std::string Noise(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  uint64_t x = seed | 1;
  for (char& c : out) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    c = char(x >> 24);
  }
  return out;
}

struct Shape {
  const char* name;
  std::string content;
};

std::vector<Shape> Shapes() {
  return {{"empty", ""},
          {"one", "x"},
          {"text15999", Text(15999, 1)},
          {"text16000", Text(16000, 2)},
          {"text16001", Text(16001, 3)},
          {"text32767", Text(32767, 4)},
          {"text32768", Text(32768, 5)},
          {"text32769", Text(32769, 6)},
          {"noise16001", Noise(16001, 7)},
          {"noise200000", Noise(200000, 8)},
          {"repeat", std::string(300000, 'a') + Text(1000, 9) + std::string(70000, 'b')},
          {"zeros", std::string(1 << 20, '\0')},
          {"large", Text(3000000, 10) + Noise(100000, 11) + Text(500000, 12)}};
}

class Oracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools()) GTEST_SKIP() << "Debian's zip and unzip are needed";
  }

  void WriteSources(const std::vector<Shape>& shapes) {
    for (const Shape& s : shapes) testzip::WriteText(src / s.name, s.content);
  }

  // Extracts archive with the component; returns the count.
  int Extract(const std::string& archive, const std::string& dest) {
    uz::TUnZip zip(&ui);
    zip.SetZipName(archive);
    zip.SetDestDir(dest);
    zip.SetDoAll(true);
    zip.SetRecreateDirs(true);
    zip.SetOverwriteMode(uz::TUZOverwriteMode::Always);
    zip.SetPassword("secret");
    zip.OnGetNextDisk = [&](uz::TObject*, int disk, std::string& name) {
      const int last = zip.EndCentral().ThisPart + 1;
      const std::string stem = archive.substr(0, archive.size() - 4);
      name = disk == last ? archive : stem + (disk < 10 ? ".z0" : ".z") + std::to_string(disk);
    };
    return zip.ExtractFiles();
  }

  // Both extractions of archive (unzip's from reference, ours from archive
  // itself) must hold the same files with the same bytes.
  void Compare(const std::string& archive, const std::string& reference, size_t members,
               const std::string& unzipOptions = "") {
    ScratchFolder theirs;
    ASSERT_EQ(
        Shell("unzip -qq -o " + unzipOptions + " '" + reference + "' -d '" + theirs.Path() + "'"),
        0);
    CompareWith(archive, theirs, members);
  }

  void CompareWith(const std::string& archive, const ScratchFolder& expected, size_t members) {
    ScratchFolder ours;
    EXPECT_EQ(Extract(archive, ours.Path()), int(members));
    ASSERT_EQ(ours.Files(), expected.Files());
    for (const std::string& f : expected.Files())
      EXPECT_TRUE(testzip::ReadText(ours / f) == testzip::ReadText(expected / f)) << f;
  }

  ScratchFolder work, src;
  testzip::ScriptUI ui;
};

TEST_F(Oracle, StoredAndDeflatedAtEveryLevel) {
  const std::vector<Shape> shapes = Shapes();
  WriteSources(shapes);
  for (const char* options : {"-0", "-1", "-6", "-9", "-6 -fd", "-0 -fd"}) {
    SCOPED_TRACE(options);
    const std::string archive = work / (std::string("a") + options[1] + ".zip");
    std::remove(archive.c_str());
    ASSERT_EQ(Shell("cd '" + src.Path() + "' && zip -q -X " + options + " '" + archive + "' *"), 0);
    Compare(archive, archive, shapes.size());
  }
}

TEST_F(Oracle, Encrypted) {
  const std::vector<Shape> shapes = Shapes();
  WriteSources(shapes);
  for (const char* options : {"-0", "-6"}) {
    SCOPED_TRACE(options);
    const std::string archive = work / (std::string("e") + options[1] + ".zip");
    ASSERT_EQ(
        Shell("cd '" + src.Path() + "' && zip -q -X -P secret " + options + " '" + archive + "' *"),
        0);
    Compare(archive, archive, shapes.size(), "-P secret");
  }
}

TEST_F(Oracle, StreamedFromAPipeWithDataDescriptors) {
  for (const Shape& shape : Shapes()) {
    SCOPED_TRACE(shape.name);
    testzip::WriteText(src / "in", shape.content);
    const std::string archive = work / (std::string(shape.name) + ".zip");
    ASSERT_EQ(Shell("cat '" + (src / "in") + "' | zip -q -6 - - | cat > '" + archive + "'"), 0);
    Compare(archive, archive, 1);
  }
}

// Debian's unzip reads no split sets, and its zip joins some of them wrongly
// (an archive of this test's data joined with "zip -s 0" fails unzip's own
// test), so the files that went in are the reference here.
TEST_F(Oracle, SplitIntoParts) {
  std::vector<Shape> shapes = Shapes();
  shapes.push_back({"noise", Noise(300000, 13)});  // crosses several parts stored
  WriteSources(shapes);
  for (const char* options : {"-6", "-0"}) {
    SCOPED_TRACE(options);
    ScratchFolder set;
    const std::string archive = set / "split.zip";
    ASSERT_EQ(
        Shell("cd '" + src.Path() + "' && zip -q -X " + options + " -s 64k '" + archive + "' *"),
        0);
    ASSERT_TRUE(testzip::Exists(set / "split.z10"));
    CompareWith(archive, src, shapes.size());
  }
}

}  // namespace
