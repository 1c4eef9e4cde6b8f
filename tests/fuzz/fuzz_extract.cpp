// Whole extractions of arbitrary archives: every member, folders recreated,
// existing files replaced, archives without a directory scanned, a password
// tried on encrypted members. The component may refuse the archive only with
// its own exceptions; it must not crash, hang, or write beside its destination.
#include "FuzzScratch.h"
#include "UnZip.h"

namespace {

class DeclineEverything : public uz::TUnZipUI {
 public:
  bool ChooseZipFile(const std::string&, const std::string&, const std::string&,
                     std::string&) override {
    return false;
  }
  bool ChooseFolder(const std::string&, std::string&) override { return false; }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzzscratch::Scratch scratch;
  scratch.WriteArchive(data, size);
  DeclineEverything ui;
  {
    uz::TUnZip zip(&ui);
    zip.SetZipName(scratch.Archive());
    zip.SetDestDir(scratch.Out());
    zip.SetDoAll(true);
    zip.SetRecreateDirs(true);
    zip.SetOverwriteMode(uz::TUZOverwriteMode::Always);
    zip.SetIncompleteZipMode(uz::TIncompleteZipMode::izAssumeBad);
    zip.SetPassword("secret");
    // Asking for another part gets no answer: that cancels.
    zip.OnGetNextDisk = [](uz::TObject*, int, std::string& name) { name.clear(); };
    try {
      zip.ExtractFiles();
    } catch (const uz::Exception&) {
    }
  }
  scratch.Clean();
  return 0;
}
