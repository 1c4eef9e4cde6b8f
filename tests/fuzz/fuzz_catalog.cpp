// Catalogue reads of arbitrary archives, with and without the scan of local
// headers, followed by every accessor and every view order. Only the
// component's own exceptions may come out.
#include "FuzzScratch.h"
#include "UnZip.h"

namespace {

void Browse(uz::TUnZip& zip) {
  zip.OpenZip();
  for (int i = 0; i < zip.MemberCount(); ++i) {
    (void)zip.MemberName(i);
    (void)zip.MemberComment(i);
  }
  (void)zip.ArchiveComment();
  for (int mode = 0; mode <= int(uz::TZipSortMode::ByNone); ++mode) {
    zip.Resort(uz::TZipSortMode(mode));
    for (int i = 0; i < zip.MemberCount(); ++i) (void)zip.Member(i).FullName();
  }
  zip.CloseZip();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzzscratch::Scratch scratch;
  scratch.WriteArchive(data, size);
  for (auto mode : {uz::TIncompleteZipMode::izAssumeBad, uz::TIncompleteZipMode::izAssumeMulti}) {
    uz::TUnZip zip;
    zip.SetZipName(scratch.Archive());
    zip.SetIncompleteZipMode(mode);
    zip.OnGetNextDisk = [](uz::TObject*, int, std::string& name) { name.clear(); };
    try {
      Browse(zip);
    } catch (const uz::Exception&) {
    }
  }
  scratch.Clean();
  return 0;
}
