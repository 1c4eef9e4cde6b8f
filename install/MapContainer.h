// The map container on the distribution medium: the map image, byte for byte
// as it is installed, followed by the program archive (a ZIP archive of its
// own). The split point is the image's fixed size; the container has no
// header of its own.
//
// Both copies go through the archive component's file streams and raise its
// exceptions (uz::EFOpenError, uz::EFCreateError, uz::EStreamError); the
// installation reports them with its own messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace uz {
class TFileStream;
}

inline constexpr int64_t kMapImageSize = 174236370;
inline constexpr int64_t kMapImageHalf = kMapImageSize / 2;
static_assert(kMapImageHalf * 2 == kMapImageSize, "the image is copied in two equal halves");

// Replaces archivePath with everything of the container past the image, and
// closes it again before returning, so that the archive component can open it.
// A container no longer than the image holds no archive: uz::EStreamError,
// and archivePath is not created.
void CopyProgramArchive(const std::string& containerPath, const std::string& archivePath);

// The map image copy, in two halves so that the caller can show its progress
// between them. Construction creates (replaces) the image file and opens the
// container; destruction closes both.
class TMapImageCopy {
 public:
  TMapImageCopy(const std::string& containerPath, const std::string& imagePath);
  ~TMapImageCopy();
  TMapImageCopy(const TMapImageCopy&) = delete;
  TMapImageCopy& operator=(const TMapImageCopy&) = delete;

  // The first kMapImageHalf bytes of the container.
  void CopyFirstHalf();
  // What the image file still lacks of kMapImageSize bytes.
  void CopyRest();

 private:
  std::unique_ptr<uz::TFileStream> image_;
  std::unique_ptr<uz::TFileStream> container_;
};
