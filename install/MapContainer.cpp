#include "MapContainer.h"

#include <algorithm>
#include <vector>

#include "streams/UzLib.h"
#include "uzExceptions.h"

namespace {

// The medium may be read by others while we copy (an autorun viewer, a
// virus scanner): open it sharing everything.
constexpr uint16_t kShareDenyNone = 0x0040;

// One read and one write per MiB: large enough that the per-call cost
// vanishes next to the bytes moved (from the page cache as from a disc),
// small enough to stay in the processor's cache between the read and the write.
constexpr std::size_t kCopyBlock = std::size_t{1} << 20;

std::unique_ptr<uz::TFileStream> OpenContainer(const std::string& path) {
  return std::make_unique<uz::TFileStream>(path, uz::kFmOpenRead | kShareDenyNone);
}

std::unique_ptr<uz::TFileStream> CreateTarget(const std::string& path) {
  return std::make_unique<uz::TFileStream>(path, uz::kFmCreate, /*clearRestrictive=*/true);
}

// Copies count bytes from the source's position to the target's.
void CopyBytes(uz::TFileStream& source, uz::TFileStream& target, int64_t count) {
  std::vector<char> block(static_cast<std::size_t>(std::min<int64_t>(count, kCopyBlock)));
  int64_t done = 0;
  while (done < count) {
    const auto want = static_cast<std::size_t>(std::min<int64_t>(count - done, kCopyBlock));
    const std::size_t got = source.Read(block.data(), want);
    if (got != want)
      throw uz::EStreamError("Stream read error: \"" + source.FileName() + "\" ends " +
                             std::to_string(count - done - static_cast<int64_t>(got)) +
                             " bytes too soon");
    if (target.Write(block.data(), got) != got)
      throw uz::EStreamError("Stream write error: \"" + target.FileName() +
                             "\" cannot take more than " + std::to_string(target.Position()) +
                             " bytes");
    done += static_cast<int64_t>(got);
  }
}

}  // namespace

void CopyProgramArchive(const std::string& containerPath, const std::string& archivePath) {
  auto container = OpenContainer(containerPath);
  const int64_t length = container->Size();
  // Without this check a container that ends with the image would yield an
  // empty archive, and the extraction a complaint about a file the user never
  // named; nothing is created for a medium that cannot be installed.
  if (length <= kMapImageSize)
    throw uz::EStreamError("\"" + containerPath + "\" holds no program archive: it is " +
                           std::to_string(length) + " bytes long, the map image alone takes " +
                           std::to_string(kMapImageSize));
  auto archive = CreateTarget(archivePath);
  if (container->Seek(kMapImageSize, uz::kSeekBeginning) != kMapImageSize)
    throw uz::EStreamError("Seek error in \"" + containerPath + "\"");
  CopyBytes(*container, *archive, length - kMapImageSize);
}

TMapImageCopy::TMapImageCopy(const std::string& containerPath, const std::string& imagePath)
    : image_(CreateTarget(imagePath)), container_(OpenContainer(containerPath)) {}

TMapImageCopy::~TMapImageCopy() = default;

void TMapImageCopy::CopyFirstHalf() { CopyBytes(*container_, *image_, kMapImageHalf); }

void TMapImageCopy::CopyRest() { CopyBytes(*container_, *image_, kMapImageSize - image_->Size()); }
