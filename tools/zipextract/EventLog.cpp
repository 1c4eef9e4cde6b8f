#include "EventLog.h"

namespace zipextract {

namespace {

const char* ReasonName(uz::TSkipReason reason) {
  return reason == uz::TSkipReason::PasswordFailed ? "PasswordFailed" : "NotOverwritten";
}

const char* ModeName(uz::TIncompleteZipMode mode) {
  return mode == uz::TIncompleteZipMode::izAssumeBad ? "izAssumeBad" : "izAssumeMulti";
}

void AttachProgressEvents(uz::TUnZip& unzip, std::ostream& out) {
  unzip.OnStartUnZipInfo = [&out](uz::TObject*, int numFiles, int64_t totalBytes, bool&) {
    out << "OnStartUnZipInfo NumFiles=" << numFiles << " TotalBytes=" << totalBytes << "\n";
  };
  unzip.OnFilePercentDone = [&out](uz::TObject*, int percent) {
    out << "OnFilePercentDone Percent=" << percent << "\n";
  };
  unzip.OnTotalPercentDone = [&out](uz::TObject*, int percent) {
    out << "OnTotalPercentDone Percent=" << percent << "\n";
  };
  unzip.OnStartUnZip = [&out](uz::TObject*, int index, const std::string& name, bool& skip) {
    out << "OnStartUnZip FileIndex=" << index << " FName=" << name << " Skip=" << skip << "\n";
  };
  unzip.OnEndUnZip = [&out](uz::TObject*, int index, const std::string& name) {
    out << "OnEndUnZip FileIndex=" << index << " FName=" << name << "\n";
  };
}

void AttachProblemEvents(uz::TUnZip& unzip, TConsoleUI& ui, std::ostream& out) {
  unzip.OnPromptForOverwrite = [&out, &ui, &unzip](uz::TObject*, bool& overwrite, int index,
                                                   std::string& name) {
    out << "OnPromptForOverwrite OverWriteIt=" << overwrite << " FileIndex=" << index
        << " FName=" << name << "\n";
    overwrite = ui.AskYesNo("Заменить существующий файл " + unzip.Member(index).FileName() + "?",
                            "File Exists Alert");
  };
  unzip.OnSkippingFile = [&out](uz::TObject*, uz::TSkipReason reason, int index) {
    out << "OnSkippingFile Reason=" << ReasonName(reason) << " FileIndex=" << index << "\n";
  };
  unzip.OnBadPassword = [&out](uz::TObject*, int index, std::string& password) {
    out << "OnBadPassword FileIndex=" << index << " NewPassword=" << password << "\n";
  };
  unzip.OnBadCRC = [&out](uz::TObject*, int32_t calc, int32_t stored, int index) {
    out << "OnBadCRC CalcCRC=" << calc << " StoredCRC=" << stored << " FileIndex=" << index << "\n";
  };
  unzip.OnInCompleteZip = [&out](uz::TObject*, uz::TIncompleteZipMode& mode) {
    out << "OnInCompleteZip IncompleteMode=" << ModeName(mode) << "\n";
  };
}

}  // namespace

void AttachEventPrinter(uz::TUnZip& unzip, TConsoleUI& ui, std::ostream& out) {
  AttachProgressEvents(unzip, out);
  AttachProblemEvents(unzip, ui, out);
  PrintNextDiskRequests(unzip, out);
}

void PrintNextDiskRequests(uz::TUnZip& unzip, std::ostream& out) {
  uz::TGetNextDisk answer = unzip.OnGetNextDisk;
  unzip.OnGetNextDisk = [&out, answer](uz::TObject* sender, int disk, std::string& name) {
    out << "OnGetNextDisk NextDisk=" << disk << " FName=" << name << "\n";
    if (answer) answer(sender, disk, name);
  };
}

}  // namespace zipextract
