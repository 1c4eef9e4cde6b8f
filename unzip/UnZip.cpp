#include "UnZip.h"

#include "selection/uzMatch.h"
#include "selection/uzPlacement.h"

namespace uz {

namespace {

constexpr const char* kOpenZipTitle = "Open a Zip File";
constexpr const char* kOpenZipFilter =
    "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|All Files (*.*)|*.*";

// Everything up to the last "\" or ":" (or "/", which the file routines take
// as a separator too).
std::string PathPart(const std::string& name) {
  const size_t cut = name.find_last_of("\\:/");
  return cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
}

}  // namespace

TUnZip::TUnZip(TUnZipUI* ui) : ui_(ui) {}

TUnZip::~TUnZip() { ClearCatalogue(); }

void TUnZip::SetZipName(const std::string& value) {
  if (LowerText(value) == LowerText(zipName_)) return;
  std::string name = value;
  if (!value.empty() && value.back() == '?') {
    const std::string folder = PathPart(value);
    const std::string initial = !folder.empty() && FolderExists(folder) ? folder : "C:\\";
    std::string chosen;
    if (!ui_ || !ui_->ChooseZipFile(kOpenZipTitle, kOpenZipFilter, initial, chosen))
      throw EUserCanceled("User canceled setting zip file name.");
    name = chosen;
  }
  zipName_ = name;
  FreeLists();
  recordedTime_ = 0;
  end_.Clear();
  stream_.reset();
  scanned_ = false;
  currentPart_ = 0;
}

void TUnZip::SetDestDir(const std::string& value) {
  destDir_ = ResolveDestDir(value, destDir_, ui_);
}

void TUnZip::SetRootDir(const std::string& value) { rootDir_ = NormalizeRootDir(value); }

void TUnZip::ClearCatalogue() {
  stream_.reset();
  FreeLists();
  end_.Clear();
  scanned_ = false;
  recordedTime_ = 0;
  spanMode_ = 0;
  currentPart_ = 0;
  zipName_.clear();
}

}  // namespace uz
