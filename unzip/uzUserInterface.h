#pragma once
// The archive component's few user-interface needs. The installer fills this
// with real dialogs; zipextract with console equivalents; tests with scripts.
#include <string>

namespace uz {

class TUnZipUI {
 public:
  virtual ~TUnZipUI() = default;
  // Lets the GUI process pending messages (DoProcessMessages).
  virtual void ProcessMessages() {}
  // The open-file dialog behind ZipName "?". False when cancelled.
  virtual bool ChooseZipFile(const std::string& title, const std::string& filter,
                             const std::string& initialFolder, std::string& chosen) = 0;
  // The folder-selection dialog behind DestDir "?" (a folder that does not
  // exist may be typed and is created after asking). False when cancelled.
  virtual bool ChooseFolder(const std::string& initialFolder, std::string& chosen) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
  // A message with an OK button.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // The hourglass cursor around long work.
  virtual void SetBusyCursor(bool /*busy*/) {}
};

}  // namespace uz
