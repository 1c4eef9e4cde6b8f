// The two copies out of the map container, on a container of the real size
// (sparse: only its marked bytes and its archive are written).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ExtractHarness.h"
#include "MapContainer.h"
#include "TestData.h"
#include "streams/UzLib.h"

namespace {

using testzip::ScratchFolder;

// Bytes that tell each boundary of the copies apart from its neighbours.
const std::vector<std::pair<int64_t, std::string>> kMarks = {{0, "first"},
                                                             {kMapImageHalf - 4, "end1"},
                                                             {kMapImageHalf, "half2"},
                                                             {kMapImageSize - 4, "last"}};

void WriteContainer(const std::string& path, int64_t imageBytes, const std::string& archive) {
  uz::TFileStream file(path, uz::kFmCreate);
  for (const auto& [at, text] : kMarks) {
    if (at + static_cast<int64_t>(text.size()) > imageBytes) break;
    file.Seek(at, uz::kSeekBeginning);
    file.Write(text.data(), text.size());
  }
  // The file ends where the archive does, whatever the marks covered.
  const std::string tail = archive.empty() && imageBytes > 0 ? std::string(1, '\0') : archive;
  const int64_t end = imageBytes + static_cast<int64_t>(archive.size());
  file.Seek(end - static_cast<int64_t>(tail.size()), uz::kSeekBeginning);
  file.Write(tail.data(), tail.size());
}

// True when path holds exactly the first size bytes of container. The copy
// may still hold path open for writing: it is read sharing everything.
bool SamePrefix(const std::string& path, const std::string& container, int64_t size) {
  constexpr uint16_t kShareDenyNone = 0x0040;
  uz::TFileStream a(path, uz::kFmOpenRead | kShareDenyNone), b(container, uz::kFmOpenRead);
  if (a.Size() != size) return false;
  std::vector<char> x(1 << 20), y(1 << 20);
  for (int64_t done = 0; done < size;) {
    const auto n = static_cast<std::size_t>(std::min<int64_t>(size - done, x.size()));
    if (a.Read(x.data(), n) != n || b.Read(y.data(), n) != n) return false;
    if (std::memcmp(x.data(), y.data(), n) != 0) return false;
    done += static_cast<int64_t>(n);
  }
  return true;
}

TEST(MapContainer, SplitsIntoArchiveAndImageInTwoHalves) {
  ScratchFolder dir;
  const std::string container = dir / "Map.maptl.src", archive = std::string("PK\x03\x04 rest", 9);
  WriteContainer(container, kMapImageSize, archive);
  testzip::WriteText(dir / "temp.zip", "an older and much longer temporary archive");

  CopyProgramArchive(container, dir / "temp.zip");
  EXPECT_EQ(testzip::ReadText(dir / "temp.zip"), archive);

  TMapImageCopy copy(container, dir / "Map.maptl");
  copy.CopyFirstHalf();
  EXPECT_TRUE(SamePrefix(dir / "Map.maptl", container, kMapImageHalf));
  copy.CopyRest();
  EXPECT_TRUE(SamePrefix(dir / "Map.maptl", container, kMapImageSize));
}

TEST(MapContainer, ContainerWithoutArchiveOrUnreadableFailsBeforeCreatingTheArchive) {
  struct Row {
    const char* label;
    int64_t imageBytes;  // -1: no container at all
    const char* message;
  };
  const Row rows[] = {
      {"image only", kMapImageSize, " holds no program archive: it is 174236370 bytes long"},
      {"shorter than the image", 10, " holds no program archive: it is 10 bytes long"},
      {"no container", -1, "Cannot open file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    ScratchFolder dir;
    const std::string container = dir / "Map.maptl";
    if (row.imageBytes >= 0) WriteContainer(container, row.imageBytes, "");
    const std::string message =
        MessageOf<uz::EStreamError>([&] { CopyProgramArchive(container, dir / "temp.zip"); });
    EXPECT_NE(message.find(row.message), std::string::npos) << message;
    EXPECT_FALSE(testzip::Exists(dir / "temp.zip"));
  }
}

TEST(MapContainer, CopyErrorsRaise) {
  ScratchFolder dir;
  const std::string whole = dir / "whole.maptl", container = dir / "short.maptl";
  WriteContainer(whole, kMapImageSize, "PK");
  EXPECT_THROW(CopyProgramArchive(whole, dir / "missing/temp.zip"), uz::EFCreateError);
  EXPECT_THROW(TMapImageCopy(whole, dir / "missing/Map.maptl"), uz::EFCreateError);

  // A container too short for the image ends the half that runs out.
  WriteContainer(container, kMapImageHalf + 10, "");
  TMapImageCopy copy(container, dir / "Map.maptl");
  copy.CopyFirstHalf();
  EXPECT_EQ(MessageOf<uz::EStreamError>([&] { copy.CopyRest(); }),
            "Stream read error: \"" + container + "\" ends " + std::to_string(kMapImageHalf - 10) +
                " bytes too soon");
}

#ifndef _WIN32
TEST(MapContainer, FullDiskEndsTheImageCopy) {
  ScratchFolder dir;
  const std::string container = dir / "Map.maptl";
  WriteContainer(container, kMapImageSize, "PK");
  TMapImageCopy copy(container, "/dev/full");
  EXPECT_EQ(MessageOf<uz::EStreamError>([&] { copy.CopyFirstHalf(); }),
            "Stream write error: \"/dev/full\" cannot take more than 0 bytes");
}
#endif

}  // namespace
